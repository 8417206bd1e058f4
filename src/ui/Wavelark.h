#pragma once

#include "CustomEvents.h"
#include "FileBrowser.h"
#include "MainWidget.h"
#include "RadioPlayList.h"
#include "SongHistory.h"
#include "Transport.h"
#include "WavelarkSettings.h"
#include "WindowCommand.h"
#include "shoutCast.h"

#include <QStringList>
#include <QTimer>

#include <array>
#include <atomic>
#include <memory>
#include <span>

struct CommandLineOptions;
class DirectoryPanel;
class LinkManager;
class PlaylistFiles;
class PrefsPage;
class QBoxLayout;
class SongNotifier;
class TrayIcon;
class QComboBox;
class QLabel;
class QMenu;
class QSlider;
class RadioStream;
class StationListModel;
class StationListView;
class TerminationSignal;
class WavelarkBlink;
class WavelarkConfig;
class WavelarkMarquee;
class WavelarkRepeat;
class WavelarkShuffle;
class WavelarkVolume;
struct LinkInfo;
struct ShoutCastGenre;

// The player's one window. Its constructor is the program's start-up; it
// owns the stream engine, the configuration, the link manager and the parts
// the window is made of, and it is where the engine's results reach the
// screen: the engine posts events, customEvent draws them. GUI thread only,
// except slotStreamBufferEmpty (see there).
//
// Parts: DirectoryPanel (the directory client, its dialogs, searches and
// station lists), PlaylistFiles (opening, saving and the favorites), one
// class per preference page (InterfacePrefsPage, ...), and the command
// table (WindowCommands.cpp) that the keys, the menu and the desktop
// controls run. The window's own code is split by concern: Wavelark.cpp
// (start-up, quit), WavelarkScreen.cpp (building the screen, fonts,
// colours), WavelarkEvents.cpp (customEvent), WavelarkDisplay.cpp (the three
// sections and the stream's signals), WavelarkPlaylist.cpp (installing and
// merging playlists, recording), WavelarkKeys.cpp (key dispatch),
// WavelarkMenu.cpp, WavelarkLink.cpp (link, call and display state),
// WavelarkRetry.cpp (stream errors and the error dialog).
class Wavelark : public MainWidget
{
    Q_OBJECT

public:
    // `options` is the parsed command line (CommandLineOptions.h).
    explicit Wavelark(const CommandLineOptions &options, QWidget *parent = nullptr);
    ~Wavelark() override;

    // Set when the command line asked to quit before the event loop runs:
    // the exit status (0 for -h, 2 for an unknown option or -f).
    bool quitRequested() const { return quitRequested_; }
    int quitStatus() const { return quitStatus_; }

    // The preference pages, as the window keeps them.
    enum PrefsPageKind {
        InterfacePrefs,
        NetworkPrefs,
        SoundsPrefs,
        AdvancedPrefs,
        ShoutCastPrefs,
        PrefsPageCount
    };

    // What the window shows, for its tests.
    RadioStream *radioStream() const { return stream_.get(); }
    WavelarkSettings &settings() { return settings_; }
    Transport &transport() { return *transport_; }
    QLabel *headerLabelWidget() const { return headerLabel_; }
    WavelarkMarquee *tagMarqueeWidget() const { return tagMarquee_; }
    WavelarkMarquee *formatMarqueeWidget() const { return formatMarquee_; }
    QLabel *formatLineWidget() const { return formatLine_; }
    WavelarkMarquee *statusMarqueeWidget() const { return statusMarquee_; }
    WavelarkBlink *pauseLabelWidget() const { return pauseLabel_; }
    WavelarkBlink *recordIndicatorWidget() const { return recordIndicator_; }
    WavelarkVolume *volumeIndicatorWidget() const { return volumeIndicator_; }
    WavelarkBlink *scanIndicatorWidget() const { return scanIndicator_; }
    WavelarkBlink *modifierIndicatorWidget() const { return modifierIndicator_; }
    WavelarkRepeat *repeatIndicatorWidget() const { return repeatIndicator_; }
    LinkManager *linkManager() const { return sessionManager_; }
    int currentLinkId() const { return linkId_; }
    bool isDisplayHidden() const { return displayHidden_; }
    TrayIcon *trayIcon() const { return tray_; }

    // Rewrites the status marquee from the link and buffer state (not while
    // a note is shown).
    void updateNetworkStatus();
    // Shows a short confirmation or failure in the status section for
    // kStatusNoteMs.
    void showStatusNote(const QString &text);
    static constexpr int kStatusNoteMs = 3000;
    // Narrower than this, the station list goes below the sections.
    static constexpr int kListBesideWidth = 560;
    // MarqueeScrolling: the tag and format marquees scroll at
    // marqueeInterval; MarqueeStill: they stay.
    enum MarqueeMode : int { MarqueeStill = 0, MarqueeScrolling = 2 };
    void setMarqueeMode(int mode);
    static void setWidgetFontSize(QWidget *widget, int size);
    static void setWidgetColor(QWidget *widget, const QString &color);
    // Posts an event of that type to the window itself.
    void postSelf(int type);
    // A modal error dialog with the message as plain text; its title is
    // "Connection error" unless another is given.
    void showErrorDialog(const QString &message, const QString &title = QString());
    // A received playlist updates the playing item instead of replacing
    // the list; true when it took (and freed) the list.
    bool mergeFetchedList(RadioPlayList *received);
    // Installs `list`; the old one is freed when asked and no genre owns it.
    void setPlayList(RadioPlayList *list, bool freeOld);
    bool startPlayback();
    // Every command of the window, once (WindowCommands.cpp).
    static std::span<const WindowCommand> commands();
    // Runs the command of that name (what the desktop's media controls ask
    // for); false when there is none.
    bool runCommand(const char *name);
    // The desktop's media controls (WavelarkMedia.cpp).
    int mediaVolume() const;
    void setMediaVolume(int volume);
    // Replaces the playlist with files, folders or URLs and plays them.
    void openLocations(const QStringList &locations);

    // Asks for a data link; true when a request was made.
    bool openLink(bool forceChoice);

    // --- Locations, dialogs and the directory ------------------------------
    // (WavelarkOpen.cpp, WavelarkDialogs.cpp, WavelarkDirectory.cpp)

    // Adds a URL, a file or a playlist file to a new list that replaces the
    // playlist, or with `append` is appended to it (urls present are
    // skipped). False, after the "Unrecognized or invalid URL" box, when the
    // location is not understood; false for an empty text.
    bool openLocation(const QString &text, bool append);
    // The file picker; a null start folder means the last one shown.
    struct FileChoice
    {
        QString path;
        bool cancelled = true;
    };
    FileChoice fileDialog(const QString &title, const QString &filter, FileDialogMode mode,
                          const QString &startFolder = QString());
    // A text entry; empty when cancelled.
    QString textDialog(const QString &title, const QString &initial);
    // Shows the station list of entry `index` of the directory's genres (0
    // the search results), fetching it when there is none yet, for a new
    // search, or when forced; otherwise the kept list comes back.
    void showDirectoryList(int index, bool newSearch, bool force);
    // Runs a DirectoryAction (DirectoryPanel.h); also what the link's
    // arrival runs for a waiting action.
    void runDirectoryAction(int action);
    // A genre's station list becomes the playlist; a `fresh` one (just
    // fetched, or shown again) shows the stations' names.
    void showStationList(RadioPlayList *list, bool fresh);
    // Writes the configuration file; a failure is shown in the error dialog.
    bool writeConfig();
    // Asks for a text (one remembered text for every field) and moves the
    // active cursor to the next item whose field matches it.
    void searchPlayList(const QString &title, RadioPlayList::SearchField field);
    // What the menus and the directory show, for their tests.
    QMenu *popupMenu() const;
    DirectoryPanel &directoryPanel() const { return *directory_; }
    QComboBox *recentSearchesBox() const;
    ShoutCast *directory() const;
    WavelarkBlink *directoryIndicatorWidget() const { return directoryIndicator_; }
    QString lastSearchText() const;
    void setSaveFolder(const QString &folder);

signals:
    // The playing state, the playing item's tags or the volume may have
    // changed.
    void mediaStateChanged();

public slots:
    void slotStartStopStream(bool stopIfRunning);
    void slotLinkConnected(int id, LinkInfo &info);
    void slotLinkOpenFailed(int id, unsigned short reason, unsigned short detail);
    void slotLinkBroken(int id, LinkInfo &info);
    void slotRecord(bool);
    void slotMute(bool muted);
    void slotShuffle(bool on);
    void slotScan(bool on);
    void slotAdjustVolume(int volume);
    void slotQuit();
    void slotCallHandler();
    void slotStreamPaused(bool paused);
    // Called on the thread that emitted streamBufferEmpty (the decode thread
    // or the GUI thread); from a worker it posts itself to the GUI thread,
    // where the sound decision and the status refresh are made.
    void slotStreamBufferEmpty(bool empty);
    void slotShoutCastBlink(bool blinking);

    // Preferences (WavelarkPrefs.cpp, one class per page). Each page is
    // built on its first opening; OK writes the configuration file.
    void slotPrefsInterface();
    void slotPrefsNetwork();
    void slotPrefsSound();
    void slotPrefsAdvanced();
    void slotPrefsShoutCast();
    // The ShoutCast page's OK.
    void slotPrefsShoutCastFinalize();

    // The two announcements of the directory client run on the stream's
    // read thread (DirectoryPanel).
    void slotShoutCastGenres(QList<ShoutCastGenre> genres, ShoutCast::ShoutCastState state);
    void slotShoutCastFetch(ShoutCastGenre *genre, ShoutCast::ShoutCastState state);

protected:
    void customEvent(QEvent *event) override;
    // Runs the command of the first binding that matches; an unbound key
    // is left for the platform.
    void keyPressEvent(QKeyEvent *event) override;
    // The title bar's close button quits as the right soft key does (or,
    // with close to tray on and a tray there, hides the window).
    void closeEvent(QCloseEvent *event) override;
    // Open preference pages follow the window's size.
    void resizeEvent(QResizeEvent *event) override;

private:
    // Start-up pieces (Wavelark.cpp, WavelarkScreen.cpp).
    void buildScreen();
    // The marquees' taps and the pause notice.
    void connectSections();
    // The station list beside the sections (or below them in a narrow
    // window), hidden until the View menu shows it (WavelarkStationList.cpp).
    void buildStationList(bool shown);
    void setStationListShown(bool shown);
    QLayout *buildIndicatorRow();
    void buildSoftKeys();
    void shutDownStream();

    // Event handling (WavelarkEvents.cpp, WavelarkDisplay.cpp, WavelarkRetry.cpp).
    void showTags();
    void showFormat();
    void showReadingFile();
    void onConnecting();
    void onProgress();
    void onProbeDone();
    void onStreamError();
    void onPlaylistReceived(QEvent *event);

    // Key handling (WavelarkKeys.cpp).
    bool dispatchKey(int code);
    void toggleBrowseMode();
    void showNextTag();
    void showSort(bool reverse);
    void playOrStop();
    void pauseOrResume();
    void scanToNext();

    // Preferences (WavelarkPrefs.cpp).
    void openPrefsPage(int kind);
    bool prefsPageShown() const;

    // Settings and paths.
    WavelarkSettings settings_;
    QString configPath_;
    bool quitRequested_ = false;
    int quitStatus_ = 0;

    // Owned parts. The stream goes last: the client needs it while it lives.
    std::unique_ptr<RadioStream> stream_;
    std::unique_ptr<Transport> transport_;
    WavelarkConfig *config_ = nullptr;
    LinkManager *sessionManager_ = nullptr;
    TerminationSignal *termination_ = nullptr;
    std::unique_ptr<DirectoryPanel> directory_;
    std::unique_ptr<PlaylistFiles> files_;
    // Every stream title that played (the View menu shows it).
    SongHistory history_{SongHistory::defaultPath()};
    SongNotifier *notifier_ = nullptr;
    TrayIcon *tray_ = nullptr; // the desktop's tray icon

    // The display, link and call state.
    int lastEventType_ = 0;
    // A tag page to show once the next tags event has filled the pages; -1 none.
    int tagPageWanted_ = -1;
    QTimer statusNoteTimer_;
    int linkId_ = -1;
    QString selectedProfile_;
    bool suppressAutoStart_ = true;
    // Set by the first openLink. The system's link, reported up at
    // start-up, was never asked for: it starts nothing (autoplay has its
    // own timer).
    bool linkRequested_ = false;
    bool inCall_ = false;
    bool pausedBeforeCall_ = false;
    bool displayHidden_ = false;
    int connectingSoundId_ = 0;
    // One per process; written by whichever thread emits streamBufferEmpty.
    static std::atomic<int> bufferEmptySoundId_;
    bool keyModifierArmed_ = false;

    // The menu (WavelarkMenu.cpp) and the remembered texts.
    void buildMenu(QMenu *menu);

    QString lastFolder_; // null until the file picker first showed a folder
    QString playListSearch_;

    // Widgets (owned through their parents).
    QLabel *headerLabel_ = nullptr;
    WavelarkMarquee *tagMarquee_ = nullptr;
    // The station's name while the tags show its song, or the song while
    // they show the station.
    QLabel *otherTagLine_ = nullptr;
    QLabel *streamInfoHeader_ = nullptr;
    WavelarkMarquee *formatMarquee_ = nullptr;
    QLabel *formatLine_ = nullptr;
    QLabel *networkHeader_ = nullptr;
    WavelarkMarquee *statusMarquee_ = nullptr;
    WavelarkBlink *pauseLabel_ = nullptr;
    WavelarkRepeat *repeatIndicator_ = nullptr;
    WavelarkShuffle *shuffleIndicator_ = nullptr;
    WavelarkBlink *scanIndicator_ = nullptr;
    WavelarkBlink *recordIndicator_ = nullptr;
    WavelarkBlink *directoryIndicator_ = nullptr;
    WavelarkBlink *modifierIndicator_ = nullptr;
    WavelarkVolume *volumeIndicator_ = nullptr;
    QSlider *volumeSlider_ = nullptr;
    StationListModel *stationModel_ = nullptr;
    StationListView *stationList_ = nullptr;
    QBoxLayout *contentRow_ = nullptr; // the sections' scroll view and the station list
    int widenedBy_ = 0;                // what showing the list added to the width

    // Preference pages (owned through the window), built on first use.
    std::array<PrefsPage *, PrefsPageCount> prefsPages_{};

    // Timers (GUI thread).
    QTimer connectingSoundTimer_;
    QTimer callTimer_;
    QTimer sortTagTimer_;
    QTimer keyModTimer_;

    // ---- The link, call and display sources, and the ways the program ends
    // (WavelarkLink.cpp, Wavelark.cpp). The sources are the desktop's, or a
    // test's (PlatformSources.h).
public:
    class CallState *callState() const { return callState_.get(); }
    class DisplayState *displayState() const { return displayState_.get(); }
    int pendingDirectoryActionForTest() const;
    void setPendingDirectoryActionForTest(int action);

public slots:
    // "Connect": asks for a profile even when one is configured.
    void slotLinkConnect();
    // "Disconnect": stops a remote stream and forgets the link.
    void slotLinkDisconnect();

private:
    void setUpPlatformSources();

    std::unique_ptr<class CallState> callState_;
    std::unique_ptr<class DisplayState> displayState_;
    // ---- end of the link, call, display and ending block
};
