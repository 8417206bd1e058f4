// Start-up and quitting: the constructor is the program's start-up sequence.
#include "Wavelark.h"

#include "AudioOps.h"
#include "CallState.h"
#include "CommandLineOptions.h"
#include "DesktopSession.h"
#include "DirectoryPanel.h"
#include "DisplayState.h"
#include "MprisService.h"
#include "PlayListItem.h"
#include "PlaylistFiles.h"
#include "SongNotifier.h"
#include "StateFile.h"
#include "StationListView.h"
#include "TerminationSignal.h"
#include "TrayIcon.h"
#include "UserPaths.h"
#include "WavelarkConfig.h"
#include "WavelarkIndicators.h"
#include "stream.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <cstdio>
#include <cstdlib>
#include <cstring>

std::atomic<int> Wavelark::bufferEmptySoundId_{0};

namespace {

// The phone's memory card has no desktop counterpart: recordings and saved
// playlists go to the user's music folder, or home when there is none (a
// fresh home names ~/Music without having it).
QString defaultMediaFolder()
{
    const QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    return !music.isEmpty() && QFileInfo(music).isDir() ? music : QDir::homePath();
}

// What the window remembers for the next run.
WindowState stateOf(Wavelark &window)
{
    WindowState state;
    state.volume = window.mediaVolume();
    state.configVolume = window.settings().volume;
    state.muted = window.volumeIndicatorWidget()->isMuted();
    if (const PlayListItem *item = window.radioStream()->currentItem(Selection::Playing)) {
        state.lastUrl = item->url;
        // A station's name, not the song it played last.
        state.lastTitle = item->streamTitle.isEmpty() ? item->title : item->streamTitle;
    }
    state.geometry = window.saveGeometry();
    return state;
}

// The entry played last is the playing selection again (in the favorites,
// say); with nothing else to play it is the playlist.
void selectLastEntry(Wavelark &window, const WindowState &state)
{
    RadioStream &stream = *window.radioStream();
    for (int i = 0; i < int(stream.count()); ++i) {
        if (stream.playlist()->at(i)->url == state.lastUrl) {
            stream.selectIndex(i, Selection::Playing);
            return;
        }
    }
    if (stream.count() > 0)
        return;
    auto list = std::make_unique<RadioPlayList>();
    if (!list->addLocation(state.lastUrl, false) || list->isEmpty())
        return;
    list->at(0)->title = state.lastTitle;
    window.setPlayList(list.release(), true);
}

} // namespace

Wavelark::Wavelark(const CommandLineOptions &options, QWidget *parent) : MainWidget(parent)
{
    // The settings start at WavelarkSettings' defaults; then the per-user paths.
    const UserPaths paths = UserPaths::forHome();
    configPath_ = paths.configPath;
    // SIGTERM stops the stream and quits, from the event loop.
    termination_ = new TerminationSignal(this);
    connect(termination_, &TerminationSignal::terminated, this, &Wavelark::slotQuit);
    // The command line was read before the file; its values win over it.
    quitRequested_ = options.quitRequested;
    quitStatus_ = options.quitStatus;
    if (!options.configPath.isNull())
        configPath_ = options.configPath;
    // The sound device table (once per process) and the engine.
    stream_ = std::make_unique<RadioStream>(this, sharedAudioOps(), options.verbosity);
    transport_ = std::make_unique<Transport>(*stream_, settings_);
    files_ = std::make_unique<PlaylistFiles>(*this, *stream_, *transport_, paths.favoritesPath);
    connect(
        stream_.get(), &RadioStream::streamStop, this,
        [this] {
            connectingSoundTimer_.stop();
            if (connectingSoundId_ != 0 && stream_->soundPlaying() == connectingSoundId_)
                stream_->stopSound();
        },
        Qt::DirectConnection);
    connect(stream_.get(), &RadioStream::streamPaused, this, &Wavelark::slotStreamPaused,
            Qt::DirectConnection);
    connect(stream_.get(), &RadioStream::streamBufferEmpty, this, &Wavelark::slotStreamBufferEmpty,
            Qt::DirectConnection);
    // The directory client, its announcements and its genre cache.
    directory_ = std::make_unique<DirectoryPanel>(*this, *stream_, settings_);
    // Defaults the file may change.
    settings_.recordDirectory = defaultMediaFolder();
    files_->setSaveFolder(settings_.recordDirectory);
    settings_.recordOneFile = false;
    settings_.enableMarquee = true;
    changeSetting(*stream_, &StreamSettings::decodeWait, 3);
    settings_.scanInterval = 15;
    settings_.autoPlay = false;
    // Configuration; a missing file leaves the defaults.
    config_ = new WavelarkConfig(settings_, *stream_, directory_->recentSearches(), this);
    config_->read(configPath_);
    applyCommandLine(options, settings_, *stream_);
    directory_->setConfig(config_, configPath_);
    // The state of the last run: a file that cannot be read is said so and
    // left for the next quit to replace.
    const StateRead remembered = StateFile::read(StateFile::defaultPath());
    if (!remembered.message.isEmpty())
        std::fprintf(stderr, "%s\n", qPrintable(remembered.message));
    const WindowState &state = remembered.state;
    if (const QString message = history_.load(); !message.isEmpty())
        std::fprintf(stderr, "%s\n", qPrintable(message));
    const bool volumeKept = state.volume >= 0 && state.configVolume == settings_.volume;
    stream_->setVolume(volumeKept ? state.volume : settings_.volume);
    changeSetting(*stream_, &StreamSettings::soundsVolume, settings_.soundsVolume);
    connectingSoundTimer_.setSingleShot(true);
    connect(&connectingSoundTimer_, &QTimer::timeout, this, [this] {
        connectingSoundId_ =
            stream_->playSound(settings_.connectingSound, true, settings_.connectingSoundLoop,
                               settings_.connectingSoundInterval);
    });
    // The screen; the recent searches under their heading.
    buildScreen();
    directory_->fillRecentSearches();
    volumeIndicator_->setMuted(state.muted);
    if (!state.geometry.isEmpty())
        restoreGeometry(state.geometry);
    buildStationList(false);
    setStationListShown(state.listShown);
    notifier_ = new SongNotifier(this);
    notifier_->setEnabled(state.notifications);
    tray_ = new TrayIcon(*this);
    tray_->setCloseToTray(state.closeToTray);
    // The link manager, the call state and the display state.
    setUpPlatformSources();
    // Timers.
    connect(&callTimer_, &QTimer::timeout, this, &Wavelark::slotCallHandler);
    callTimer_.start(200);
    sortTagTimer_.setSingleShot(true);
    // The header goes back to the playing position.
    connect(&sortTagTimer_, &QTimer::timeout, this, [this] { postSelf(StreamTagsEvent); });
    keyModTimer_.setSingleShot(true);
    connect(&keyModTimer_, &QTimer::timeout, this, [this] {
        keyModifierArmed_ = false;
        modifierIndicator_->setBlinking(false);
    });
    statusNoteTimer_.setSingleShot(true);
    connect(&statusNoteTimer_, &QTimer::timeout, this, &Wavelark::updateNetworkStatus);
    // What the command line names becomes the playlist.
    auto arguments = std::make_unique<RadioPlayList>();
    arguments->addLocations(options.arguments, options.recursive);
    if (!arguments->isEmpty())
        setPlayList(arguments.release(), true);
    // The desktop's stand-ins for the phone's application signals: the
    // session ending quits as the phone's shutdown did, and a document to
    // open plays.
    auto *session = new DesktopSession(this);
    connect(session, &DesktopSession::shutdown, this, &Wavelark::slotQuit);
    connect(session, &DesktopSession::signalOpenDoc, this, [this](const QString &path) {
        if (openLocation(QStringLiteral("file://") + path, false))
            startPlayback();
    });
    // Otherwise the favorites, or on a first run the directory's top stations.
    const bool hasFavorites = QFileInfo::exists(files_->favoritesPath());
    if (options.arguments.isEmpty() && settings_.loadFavorites && hasFavorites)
        files_->openFavorites();
    // A station played before makes it no first run: that station comes back.
    const bool firstRun =
        options.arguments.isEmpty() && !hasFavorites && !quitRequested_ && state.lastUrl.isEmpty();
    if (firstRun)
        directory_->showTopStations();
    // The entry played last is the playing selection again (locations named
    // on the command line start at their first).
    if (options.arguments.isEmpty() && !state.lastUrl.isEmpty() && !quitRequested_)
        selectLastEntry(*this, state);
    // A link that comes up starts nothing unless autoplay is on.
    suppressAutoStart_ = !settings_.autoPlay;
    if (settings_.autoPlay)
        QTimer::singleShot(1500, this, [this] { slotStartStopStream(false); });
    // -R arms the record toggle: the first remote stream that decodes is recorded.
    recordIndicator_->setBlinking(options.recordAtStart);
    setMarqueeMode(settings_.enableMarquee ? MarqueeScrolling : MarqueeStill);
    stream_->setPaused(false);
    if (!quitRequested_)
        MprisService::startFor(this);
}

Wavelark::~Wavelark()
{
    shutDownStream();
}

// The directory client first (it needs the stream), then the playlist in
// use (the engine never frees it), then the engine.
void Wavelark::shutDownStream()
{
    if (!stream_)
        return;
    if (!quitRequested_) {
        const QString path = StateFile::defaultPath();
        WindowState state = stateOf(*this);
        state.listShown = !stationList_->isHidden();
        state.notifications = notifier_->enabled();
        state.closeToTray = tray_->closesToTray();
        if (const int error = StateFile::write(path, state))
            std::fprintf(stderr, "%s: %s\n", qPrintable(path), std::strerror(error));
    }
    callTimer_.stop();
    connectingSoundTimer_.stop();
    sortTagTimer_.stop();
    stream_->stop();
    // A fetch pass on the read thread may be delivering to the client.
    stream_->waitForFetches();
    directory_->shutDown();
    delete config_;
    config_ = nullptr;
    RadioPlayList *list = stream_->playlist();
    transport_.reset();
    // The engine's destructor stops it once more; its signals must not
    // reach a window whose stream pointer is already cleared.
    disconnect(stream_.get(), nullptr, this, nullptr);
    stream_.reset();
    if (!directory_->ownsList(list))
        delete list;
}

// Every way of ending comes here. Stopping the stream first writes out and
// closes a recording in progress.
void Wavelark::slotQuit()
{
    shutDownStream();
    // A modal dialog runs an event loop of its own inside the function that
    // opened it (at start-up, inside the constructor, before the main loop
    // runs). Returning there would go on with what was just freed: the
    // recording is closed by now, so the process ends here.
    if (QApplication::activeModalWidget()) {
        std::fflush(nullptr);
        std::_Exit(0);
    }
    QApplication::quit();
}

void Wavelark::setSaveFolder(const QString &folder)
{
    files_->setSaveFolder(folder);
}

void Wavelark::closeEvent(QCloseEvent *event)
{
    if (tray_ && tray_->closesToTray() && tray_->shown() && !quitRequested_) {
        // A dialog closed while the window is hidden must not end the program.
        QApplication::setQuitOnLastWindowClosed(false);
        hide();
        event->ignore();
        return;
    }
    event->accept();
    slotQuit();
}
