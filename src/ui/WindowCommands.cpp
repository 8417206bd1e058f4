// The window's commands: every key-bound, menu and desktop-control command
// once. Adding a command is adding its row (and a slot when it needs one).
#include "Wavelark.h"

#include "DirectoryPanel.h"
#include "HistoryDialog.h"
#include "KeyBindings.h"
#include "MessageBox.h"
#include "PlaylistFiles.h"
#include "SongNotifier.h"
#include "StationListView.h"
#include "TrayIcon.h"
#include "WavelarkIndicators.h"
#include "WavelarkMarquee.h"
#include "stream.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QSlider>

#define LABEL(text) QT_TRANSLATE_NOOP("Wavelark", text)

using Place = MenuPlace;
using Field = RadioPlayList::SearchField;

std::span<const WindowCommand> Wavelark::commands()
{
    static const WindowCommand table[] = {
        // File
        {.name = "openUrl",
         .menu = Place::File,
         .label = LABEL("Open URL"),
         .run = [](Wavelark &w) { w.files_->openUrl(); }},
        {.name = "openFile",
         .binding = keyOpenFile,
         .browseRank = 5,
         .menu = Place::File,
         .label = LABEL("Open File"),
         .run = [](Wavelark &w) { w.files_->openFile(); }},
        {.name = "openFolder",
         .binding = keyOpenFolder,
         .browseRank = 6,
         .menu = Place::File,
         .label = LABEL("Open Folder"),
         .run = [](Wavelark &w) { w.files_->openFolder(); }},
        {.name = "about",
         .menu = Place::File,
         .label = LABEL("About"),
         .run =
             [](Wavelark &w) {
                 MessageBox::showModeless(
                     &w,
                     QStringLiteral("Wavelark 0.3\n") +
                         tr("Internet radio for the desktop, made like a phone"),
                     tr("OK"));
             }},
        // Favorites
        {.name = "openFavorites",
         .binding = keyOpenFavorites,
         .browseRank = 8,
         .commonRank = 2,
         .menu = Place::Favorites,
         .label = LABEL("Open"),
         .run = [](Wavelark &w) { w.files_->openFavorites(); }},
        {.name = "addFavorite",
         .binding = keyAddFavorite,
         .browseRank = 9,
         .commonRank = 3,
         .keepsScan = true,
         .menu = Place::Favorites,
         .label = LABEL("Add current"),
         .run = [](Wavelark &w) { w.files_->addFavorite(); }},
        {.name = "saveAsFavorites",
         .menu = Place::Favorites,
         .label = LABEL("Save as favorites"),
         .run = [](Wavelark &w) { w.files_->saveAsFavorites(); }},
        // Playlist
        {.name = "addToPlaylist",
         .binding = keyAddPlayListItem,
         .browseRank = 4,
         .menu = Place::Playlist,
         .label = LABEL("Add"),
         .run = [](Wavelark &w) { w.files_->addToPlaylist(); }},
        {.name = "removeCurrent",
         .binding = keyRemovePlayListItem,
         .browseRank = 3,
         .menu = Place::Playlist,
         .label = LABEL("Remove current"),
         .run = [](Wavelark &w) { w.files_->removeCurrent(); }},
        {.name = "deleteCurrent",
         .binding = keyDeletePlayListItem,
         .browseRank = 2,
         .menu = Place::Playlist,
         .label = LABEL("Delete current"),
         .run = [](Wavelark &w) { w.files_->deleteCurrent(); }},
        {.name = "savePlaylist",
         .binding = keySavePlayList,
         .browseRank = 1,
         .menu = Place::Playlist,
         .label = LABEL("Save"),
         .run = [](Wavelark &w) { w.files_->save(); }},
        {.name = "saveAsPlaylist",
         .menu = Place::Playlist,
         .label = LABEL("Save as"),
         .run = [](Wavelark &w) { w.files_->saveAs(); }},
        // Playlist → Search: one remembered text, the field chosen by the entry.
        {.name = "searchTitle",
         .menu = Place::PlaylistSearch,
         .label = LABEL("Title"),
         .run = [](Wavelark &w) { w.searchPlayList(tr("Search playlist title:"), Field::Title); }},
        {.name = "searchAlbum",
         .menu = Place::PlaylistSearch,
         .label = LABEL("Album"),
         .run = [](Wavelark &w) { w.searchPlayList(tr("Search playlist album:"), Field::Album); }},
        {.name = "searchArtist",
         .menu = Place::PlaylistSearch,
         .label = LABEL("Artist"),
         .run =
             [](Wavelark &w) { w.searchPlayList(tr("Search playlist artist:"), Field::Artist); }},
        {.name = "searchId",
         .menu = Place::PlaylistSearch,
         .label = LABEL("Id"),
         .run = [](Wavelark &w) { w.searchPlayList(tr("Search playlist ID:"), Field::Id); }},
        {.name = "searchUrl",
         .menu = Place::PlaylistSearch,
         .label = LABEL("Url"),
         .run = [](Wavelark &w) { w.searchPlayList(tr("Search playlist URL:"), Field::Url); }},
        {.name = "searchStreamTitle",
         .menu = Place::PlaylistSearch,
         .label = LABEL("Stream Title"),
         .run =
             [](Wavelark &w) {
                 w.searchPlayList(tr("Search playlist stream title:"), Field::StreamTitle);
             }},
        // Preferences
        {.name = "prefsInterface",
         .binding = keyPrefsInterface,
         .commonRank = 15,
         .menu = Place::Preferences,
         .label = LABEL("Interface"),
         .run = [](Wavelark &w) { w.slotPrefsInterface(); }},
        {.name = "prefsNetwork",
         .binding = keyPrefsNetwork,
         .commonRank = 16,
         .menu = Place::Preferences,
         .label = LABEL("Network"),
         .alsoIn = Place::Network,
         .alsoLabel = LABEL("Preferences"),
         .run = [](Wavelark &w) { w.slotPrefsNetwork(); }},
        {.name = "prefsSounds",
         .menu = Place::Preferences,
         .label = LABEL("Sounds"),
         .run = [](Wavelark &w) { w.slotPrefsSound(); }},
        {.name = "prefsAdvanced",
         .menu = Place::Preferences,
         .label = LABEL("Advanced"),
         .run = [](Wavelark &w) { w.slotPrefsAdvanced(); }},
        {.name = "prefsShoutCast",
         .menu = Place::Preferences,
         .label = LABEL("ShoutCast"),
         .alsoIn = Place::ShoutCast,
         .alsoLabel = LABEL("Preferences"),
         .run = [](Wavelark &w) { w.slotPrefsShoutCast(); }},
        // Network
        {.name = "connect",
         .menu = Place::Network,
         .label = LABEL("Connect"),
         .run = [](Wavelark &w) { w.slotLinkConnect(); }},
        {.name = "disconnect",
         .menu = Place::Network,
         .label = LABEL("Disconnect"),
         .run = [](Wavelark &w) { w.slotLinkDisconnect(); }},
        {.name = "flushFillBuffer",
         .menu = Place::Network,
         .label = LABEL("Flush fill buffer"),
         .run = [](Wavelark &w) { w.stream_->skipBufferWait(); }},
        // SHOUTcast
        {.name = "genres",
         .menu = Place::ShoutCast,
         .label = LABEL("Genres"),
         .run = [](Wavelark &w) { w.directory_->genres(); }},
        {.name = "refreshGenre",
         .menu = Place::ShoutCast,
         .label = LABEL("Refresh this genre"),
         .run = [](Wavelark &w) { w.directory_->refreshGenre(); }},
        {.name = "refreshIndex",
         .menu = Place::ShoutCast,
         .label = LABEL("Refresh index"),
         .run = [](Wavelark &w) { w.directory_->refreshGenres(); }},
        {.name = "directorySearch",
         .menu = Place::ShoutCast,
         .label = LABEL("Search"),
         .run = [](Wavelark &w) { w.directory_->search(); }},
        {.name = "searchResults",
         .menu = Place::ShoutCast,
         .label = LABEL("Search results"),
         .run = [](Wavelark &w) { w.directory_->searchResults(); }},
        // View
        {.name = "stationList",
         .menu = Place::View,
         .label = LABEL("Station list"),
         .shortcut = "Ctrl+L",
         .run = [](Wavelark &w) { w.setStationListShown(w.stationList_->isHidden()); },
         .checked = [](const Wavelark &w) { return !w.stationList_->isHidden(); }},
        {.name = "songHistory",
         .menu = Place::View,
         .label = LABEL("Song history"),
         .run =
             [](Wavelark &w) {
                 HistoryDialog dialog(w.history_, &w);
                 dialog.exec();
             }},
        {.name = "songNotifications",
         .menu = Place::View,
         .label = LABEL("Song notifications"),
         .run =
             [](Wavelark &w) {
                 w.notifier_->setEnabled(!w.notifier_->enabled());
                 w.showStatusNote(w.notifier_->enabled() ? tr("Song notifications on")
                                                         : tr("Song notifications off"));
             },
         .checked = [](const Wavelark &w) { return w.notifier_->enabled(); }},
        {.name = "closeToTray",
         .menu = Place::View,
         .label = LABEL("Close to tray"),
         .run =
             [](Wavelark &w) {
                 w.tray_->setCloseToTray(!w.tray_->closesToTray());
                 w.showStatusNote(w.tray_->closesToTray() ? tr("Closing keeps Wavelark in the tray")
                                                          : tr("Closing quits Wavelark"));
             },
         .checked = [](const Wavelark &w) { return w.tray_->closesToTray(); }},
        // Keys only.
        {.name = "browse",
         .binding = keyBrowse,
         .browseRank = kFirstKey,
         .commonRank = kFirstKey,
         .keepsScan = true,
         .run = [](Wavelark &w) { w.toggleBrowseMode(); }},
        {.name = "mute",
         .binding = keyMute,
         .commonRank = 1,
         .keepsScan = true,
         .run = [](Wavelark &w) { w.volumeIndicator_->setMuted(!w.volumeIndicator_->isMuted()); }},
        {.name = "volumeUp",
         .binding = keyVolumeUp,
         .commonRank = 4,
         .keepsScan = true,
         .run = [](Wavelark &w) { w.volumeSlider_->triggerAction(QSlider::SliderPageStepAdd); }},
        {.name = "sort",
         .binding = keySort,
         .commonRank = 5,
         .run = [](Wavelark &w) { w.showSort(false); }},
        {.name = "sortReverse",
         .binding = keySortReverse,
         .commonRank = 6,
         .run = [](Wavelark &w) { w.showSort(true); }},
        {.name = "volumeDown",
         .binding = keyVolumeDown,
         .commonRank = 7,
         .keepsScan = true,
         .run = [](Wavelark &w) { w.volumeSlider_->triggerAction(QSlider::SliderPageStepSub); }},
        {.name = "next",
         .binding = keyPlayListNext,
         .commonRank = 8,
         .run =
             [](Wavelark &w) {
                 w.transport_->nextItem(false, false);
                 w.transport_->resetRetries();
             }},
        {.name = "nextJump",
         .binding = keyPlayListNextJump,
         .commonRank = 9,
         .run = [](Wavelark &w) { w.transport_->jump(true); }},
        {.name = "previous",
         .binding = keyPlayListPrev,
         .commonRank = 10,
         .run =
             [](Wavelark &w) {
                 w.transport_->previousItem(false);
                 w.transport_->resetRetries();
             }},
        {.name = "previousJump",
         .binding = keyPlayListPrevJump,
         .commonRank = 11,
         .run = [](Wavelark &w) { w.transport_->jump(false); }},
        {.name = "recall",
         .binding = keyRecall,
         .commonRank = 12,
         .run = [](Wavelark &w) { w.transport_->recall(); }},
        {.name = "playStop",
         .binding = keyPlayStop,
         .commonRank = 13,
         .run = [](Wavelark &w) { w.playOrStop(); }},
        {.name = "pauseOrResume",
         .binding = keyPause,
         .commonRank = 14,
         .keepsScan = true,
         .run = [](Wavelark &w) { w.pauseOrResume(); }},
        {.name = "shuffle",
         .binding = keyShuffle,
         .commonRank = 17,
         .run = [](Wavelark &w) { w.shuffleIndicator_->setOn(!w.shuffleIndicator_->isOn()); }},
        {.name = "repeat",
         .binding = keyRepeat,
         .commonRank = 18,
         .run =
             [](Wavelark &w) {
                 w.repeatIndicator_->setMode(nextRepeatMode(w.repeatIndicator_->mode()));
             }},
        {.name = "scan",
         .binding = keyScan,
         .commonRank = 19,
         .run =
             [](Wavelark &w) { w.scanIndicator_->setBlinking(!w.scanIndicator_->isBlinking()); }},
        {.name = "scanNext",
         .binding = keyScanNext,
         .commonRank = 20,
         .keepsScan = true,
         .run = [](Wavelark &w) { w.scanToNext(); }},
        {.name = "record",
         .binding = keyRecord,
         .commonRank = 21,
         .run =
             [](Wavelark &w) {
                 w.recordIndicator_->setBlinking(!w.recordIndicator_->isBlinking());
             }},
        {.name = "quit",
         .binding = keyQuit,
         .commonRank = 22,
         .run = [](Wavelark &w) { w.slotQuit(); }},
        {.name = "nextTag",
         .binding = keyPlayListTag,
         .browseRank = 7,
         .commonRank = 23,
         .run = [](Wavelark &w) { w.showNextTag(); }},
        {.name = "copyTag",
         .binding = keyCopyTag,
         .commonRank = 24,
         .run =
             [](Wavelark &w) {
                 QClipboard *clipboard = QGuiApplication::clipboard();
                 clipboard->setText(w.tagMarquee_->text());
                 if (clipboard->supportsSelection())
                     clipboard->setText(w.tagMarquee_->text(), QClipboard::Selection);
             }},
        // The desktop's media controls.
        {.name = "play",
         .run =
             [](Wavelark &w) {
                 if (!w.stream_->isPlaying())
                     w.slotStartStopStream(false);
                 else if (w.stream_->isPaused())
                     w.stream_->setPaused(false);
             }},
        {.name = "pause",
         .run =
             [](Wavelark &w) {
                 if (w.stream_->isPlaying() && !w.stream_->isPaused())
                     w.stream_->setPaused(true);
             }},
        {.name = "stop",
         .run =
             [](Wavelark &w) {
                 if (w.stream_->isPlaying())
                     w.stream_->stop();
             }},
        {.name = "raise",
         .run =
             [](Wavelark &w) {
                 if (w.isMinimized())
                     w.showNormal();
                 else
                     w.show();
                 w.raise();
                 w.activateWindow();
             }},
    };
    return table;
}

bool Wavelark::runCommand(const char *name)
{
    for (const WindowCommand &command : commands()) {
        if (qstrcmp(command.name, name) == 0) {
            command.run(*this);
            return true;
        }
    }
    return false;
}
