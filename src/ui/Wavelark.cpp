// Start-up and quitting: the constructor is the program's start-up sequence.
#include "Wavelark.h"

#include "AudioOps.h"
#include "CallState.h"
#include "CommandLineOptions.h"
#include "DesktopSession.h"
#include "DirectoryPanel.h"
#include "DisplayState.h"
#include "TerminationSignal.h"
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

std::atomic<int> Wavelark::bufferEmptySoundId{0};

namespace {

// The phone's memory card has no desktop counterpart: recordings and saved
// playlists go to the user's music folder, or home when there is none (a
// fresh home names ~/Music without having it).
QString defaultMediaFolder()
{
    const QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    return !music.isEmpty() && QFileInfo(music).isDir() ? music : QDir::homePath();
}

} // namespace

Wavelark::Wavelark(const CommandLineOptions &options, QWidget *parent) : MainWidget(parent)
{
    // The settings start at WavelarkSettings' defaults; then the per-user paths.
    const UserPaths paths = UserPaths::forHome();
    configPath = paths.configPath;
    favoritesPath = paths.favoritesPath;
    // SIGTERM stops the stream and quits, from the event loop.
    termination = new TerminationSignal(this);
    connect(termination, &TerminationSignal::terminated, this, &Wavelark::slotQuit);
    // The command line was read before the file; its values win over it.
    quitRequested_ = options.quitRequested;
    quitStatus_ = options.quitStatus;
    if (!options.configPath.isNull())
        configPath = options.configPath;
    // The sound device table (once per process) and the engine.
    stream = std::make_unique<RadioStream>(this, sharedAudioOps(), options.verbosity);
    transport_ = std::make_unique<Transport>(*stream, settings_);
    connect(stream.get(), &RadioStream::streamStart, this, &Wavelark::slotStreamStart,
            Qt::DirectConnection);
    connect(stream.get(), &RadioStream::streamStop, this, &Wavelark::slotStreamStop,
            Qt::DirectConnection);
    connect(stream.get(), &RadioStream::streamPaused, this, &Wavelark::slotStreamPaused,
            Qt::DirectConnection);
    connect(stream.get(), &RadioStream::streamBufferEmpty, this, &Wavelark::slotStreamBufferEmpty,
            Qt::DirectConnection);
    // The directory client, its announcements and its genre cache.
    directory_ = std::make_unique<DirectoryPanel>(*this, *stream, settings_);
    // Defaults the file may change.
    settings_.recordDirectory = defaultMediaFolder();
    saveDirectory = settings_.recordDirectory;
    settings_.recordOneFile = false;
    settings_.enableMarquee = true;
    changeSetting(*stream, &StreamSettings::decodeWait, 3);
    settings_.scanInterval = 15;
    settings_.autoPlay = false;
    // Configuration; a missing file leaves the defaults.
    config = new WavelarkConfig(settings_, *stream, directory_->recentSearches(), this);
    config->read(configPath);
    applyCommandLine(options, settings_, *stream);
    directory_->setConfig(config, configPath);
    stream->setVolume(settings_.volume);
    changeSetting(*stream, &StreamSettings::soundsVolume, settings_.soundsVolume);
    connectingSoundTimer.setSingleShot(true);
    connect(&connectingSoundTimer, &QTimer::timeout, this, &Wavelark::slotConnectingSoundTimer);
    // The screen; the recent searches under their heading.
    buildScreen();
    directory_->fillRecentSearches();
    // The link manager, the call state and the display state.
    setUpPlatformSources();
    // Timers.
    connect(&callTimer, &QTimer::timeout, this, &Wavelark::slotCallHandler);
    callTimer.start(200);
    sortTagTimer.setSingleShot(true);
    connect(&sortTagTimer, &QTimer::timeout, this, &Wavelark::slotSortTagTimer);
    keyModTimer.setSingleShot(true);
    connect(&keyModTimer, &QTimer::timeout, this, &Wavelark::slotKeyModTimer);
    statusNoteTimer_.setSingleShot(true);
    connect(&statusNoteTimer_, &QTimer::timeout, this, &Wavelark::updateNetworkStatus);
    // What the command line names becomes the playlist.
    loadArguments(options.arguments, options.recursive);
    connectApplicationSignals();
    // Otherwise the favorites, or on a first run the directory's top stations.
    if (options.arguments.isEmpty() && settings_.loadFavorites && QFileInfo::exists(favoritesPath))
        slotOpenFavorites();
    else if (options.arguments.isEmpty() && !QFileInfo::exists(favoritesPath) && !quitRequested_)
        directory_->showTopStations();
    // A link that comes up starts nothing unless autoplay is on.
    suppressAutoStart = !settings_.autoPlay;
    if (settings_.autoPlay)
        QTimer::singleShot(1500, this, &Wavelark::slotAutoPlayStart);
    // -R arms the record toggle: the first remote stream that decodes is recorded.
    recordIndicator->setBlinking(options.recordAtStart);
    setMarqueeMode(settings_.enableMarquee ? 2 : 0);
    stream->setPaused(false);
    if (!quitRequested_)
        setUpDesktopControls();
}

Wavelark::~Wavelark()
{
    shutDownStream();
}

void Wavelark::loadArguments(const QStringList &arguments, bool recursive)
{
    auto *list = new RadioPlayList;
    for (const QString &argument : arguments) {
        if (QFileInfo(argument).isDir())
            addFolder(list, argument, recursive);
        else
            list->addLocation(argument, false);
    }
    if (list->isEmpty())
        delete list;
    else
        setPlayList(list, true);
}

void Wavelark::addFolder(RadioPlayList *list, const QString &folder, bool recursive)
{
    const QDir dir(folder);
    // Hidden files and folders (settings, thumbnails, caches) are not audio.
    const QFileInfoList entries =
        dir.entryInfoList(QDir::Dirs | QDir::Files | QDir::Drives | QDir::NoDotAndDotDot,
                          QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo &entry : entries) {
        const QString path =
            folder.endsWith('/') ? folder + entry.fileName() : folder + '/' + entry.fileName();
        if (entry.isDir() && recursive)
            addFolder(list, path, recursive);
        else if (!entry.isDir())
            list->addLocation(path, false);
    }
}

// The directory client first (it needs the stream), then the playlist in
// use (the engine never frees it), then the engine.
void Wavelark::shutDownStream()
{
    if (!stream)
        return;
    callTimer.stop();
    connectingSoundTimer.stop();
    sortTagTimer.stop();
    stream->stop();
    // A fetch pass on the read thread may be delivering to the client.
    stream->waitForFetches();
    directory_->shutDown();
    delete config;
    config = nullptr;
    RadioPlayList *list = stream->playlist();
    transport_.reset();
    // The engine's destructor stops it once more; its signals must not
    // reach a window whose stream pointer is already cleared.
    disconnect(stream.get(), nullptr, this, nullptr);
    stream.reset();
    if (!directory_->ownsList(list))
        delete list;
}

// The desktop's stand-ins for the phone's application signals: the session
// ending quits as the phone's shutdown did, and a document to open plays.
void Wavelark::connectApplicationSignals()
{
    auto *session = new DesktopSession(this);
    connect(session, &DesktopSession::shutdown, this, &Wavelark::slotQuit);
    connect(session, &DesktopSession::signalOpenDoc, this, &Wavelark::slotOpenDoc);
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

void Wavelark::closeEvent(QCloseEvent *event)
{
    event->accept();
    slotQuit();
}
