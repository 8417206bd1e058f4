#pragma once

#include "PlaylistCursor.h"
#include "RadioPlayList.h"
#include "StreamFlags.h"
#include "StreamSettings.h"
#include "streamEvents.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

class AudioDevice;
class DecodeLoop;
class DecoderInfoSnapshot;
class DecoderRegistry;
class HlsSession;
class RadioStreamReadThread;
class RadioStreamScanThread;
class RadioStreamSound;
class Recorder;
class StreamIntake;
class StreamTransfer;
struct AudioOps;

// The stream engine. One exists per process, created by the main widget.
// It owns the active playlist's selections, opens the playing entry's
// source and runs its parts: the read side (StreamIntake) takes the bytes
// into the hold buffer and sniffs them, the decoder registry finds a module,
// the decode loop (DecodeLoop) decodes on a thread of its own to the sound
// device, the transfer drives libcurl and the recorder writes what arrives.
// Worker threads never touch widgets: the receiver learns everything from
// custom events (streamEvents.h) and a few signals.
//
// Lock order (never taken against it): the playlist lock (this class's),
// then the read side's, the decoder registry's, the transfer's, the
// recorder's and the sound device's. Each part owns its lock; no thread
// waits for another thread while holding a lock that the other takes.
class RadioStream : public QObject
{
    Q_OBJECT

public:
    // receiver gets the engine's custom events (may be null); ops is
    // shared, not owned, and may be null for an engine without sound;
    // verbosity is handed to libcurl and to each decoder module's init.
    RadioStream(QObject *receiver, AudioOps *ops, int verbosity);
    ~RadioStream() override;

    // --- Transport (GUI thread) --------------------------------------------

    // False when the playlist is empty or the stream already plays.
    bool start();
    void stop();
    bool restart();
    void setPaused(bool paused);
    bool isPaused() const { return flags_.paused; }
    // Playing exactly while the read timer runs; readable from any thread.
    bool isPlaying() const { return flags_.playing; }
    bool isBuffering() const { return flags_.buffering; }
    void skipBufferWait() { flags_.skipWait = true; }
    // Stored, and passed to the device unless an event sound owns it.
    void setVolume(int level);
    int volume() const;
    // True when there is no such entry, false for network URLs, else true
    // exactly for "file://" URLs.
    bool isLocal(Selection which);
    unsigned holdBufferFill() const;
    // The hold buffer's capacity while the read thread runs, else the
    // requested size.
    unsigned inBufSize() const;

    // --- Settings (GUI thread) -----------------------------------------------

    // The settings as last set (inBufSize is the requested size).
    StreamSettings settings() const;
    // A smaller inBufSize takes effect at the next block received; turning
    // fillOnEmpty off while refilling ends the refill at once.
    void setSettings(const StreamSettings &settings);

    // --- Format queries for the display ------------------------------------
    QString formatName(Selection which);
    int sampleRate(Selection which);
    int bitrate(Selection which);
    QString channelMode(Selection which);

    // --- Playlist cursor (all hold playListMutex) ---------------------------

    // Installs the list (owned from now on) and selects index 0 for playing.
    void setPlaylist(RadioPlayList *list, bool deleteOld);
    RadioPlayList *playlist() const { return cursor_.list(); }
    unsigned count();
    bool selectCurrent(Selection which);
    bool step(bool forward, Selection which);
    int currentIndex(Selection which);
    bool selectIndex(int index, Selection which);
    bool selectItem(PlayListItem *item, Selection which);
    PlayListItem *currentItem(Selection which);
    bool isBad(Selection which);
    QString itemError(int index, Selection which);
    bool removeCurrent(Selection which);
    bool appendItem(std::unique_ptr<PlayListItem> item);
    int savePlaylist(const QString &path);
    void clearPlayed();
    int shufflePick(bool &reset);
    bool sortPlaylist(RadioPlayList::SortTag tag, bool reverse);
    RadioPlayList::SortTag sortTag();
    bool sortReverse();
    bool search(const QString &text, RadioPlayList::SearchField field, Selection which);
    // Calls fn with the selected entry (or null) while holding playListMutex.
    void inspectItem(Selection which, const std::function<void(const PlayListItem *)> &fn);
    // Calls fn with the whole list (empty when there is none) while holding
    // playListMutex.
    void inspectList(const std::function<void(const RadioPlayList &)> &fn);
    // Probes a local entry's file with the decoder modules on the probe
    // thread; true when a probe runs for it.
    bool startProbe(PlayListItem *item, Selection which);

    // --- Auxiliary fetches ---------------------------------------------------
    // Downloads that ride on the stream's multi handle and read thread. Their
    // bytes arrive through streamFetch(id, chunk) on the read thread, then
    // streamFetch(id, nullptr) when the transfer ended (connect with
    // Qt::DirectConnection; slots must not block on the GUI thread).

    // A new fetch (GUI thread); ids are consecutive for the process, from 1.
    // A service that asks its clients to name themselves gets userAgent.
    unsigned startFetch(const QString &url, const QByteArray &userAgent = {});
    // Marks it cancelled: no more chunks; removed at the next fetch tick.
    bool cancelFetch(unsigned id);
    // The error text of a fetch that failed, once; null otherwise. Cancels it.
    QString takeFetchError(unsigned id);
    unsigned fetchCount();
    // Stops the fetch tick and waits for a fetch pass in progress (GUI
    // thread): no fetch delivers its data until a new one is started. What
    // a shut-down does before the fetches' receivers go.
    void waitForFetches();

    // --- Scan mode (GUI thread) ------------------------------------------------
    void setScan(bool on, int seconds);
    bool isScanning() const { return scanTimer_.isActive(); }

    // --- Recording -------------------------------------------------------------
    // What is recorded is the audio as the hold buffer receives it: ICY
    // metadata blocks are left out, and so is a reply header that was
    // stripped before the recording started.

    // Opens path for appending (created with mode 0644 when missing) with an
    // empty record buffer of recordBufSize bytes, and remembers the path.
    // 0, or an errno value (ENOMEM: no buffer; else the open's). GUI thread.
    int recordStart(const QString &path);
    // When recording: writes out what is held, closes the file (deleting it
    // when it is empty) and publishes the playing entry's tags. GUI thread.
    void recordStop();
    bool isRecording() const;
    // The path given to the last recordStart, kept after recordStop.
    QString recordFileName() const;

    enum class RecordStart { NoItem, Skipped, Started, Failed };
    // A recording for the playing entry, as the main widget starts one when
    // decoding begins (GUI thread). Stops the current recording. Then, with
    // no playing entry: NoItem; a local entry or `armed` false (the record
    // toggle is off): Skipped. Otherwise records to recordDirectory + "/" +
    // seconds since 1970 + "-record.mp3", or, with recordOneFile and a
    // remembered file, appends to that file; posts StreamTagsEvent and gives
    // Started, or Failed (recordError() says why) after writing
    // "recordStart failed: " and the system's message to stderr. With
    // `perSong` a new file starts at each title change in the audio, named
    // from the title (Recorder::startPerSong), instead.
    RecordStart startRecording(const QString &recordDirectory, bool recordOneFile, bool armed,
                               bool perSong = false);
    // The error number of the last startRecording that tried to open a file.
    int recordError() const { return recordError_; }
    // The stream runs and its reply header is behind it: what arrives now
    // is the stream's own data, which a recording may take. Before that
    // the held bytes may still be header bytes.
    bool receivingAudio() const;
    // The error number of a sound device that failed to open at the last
    // start (the entry's error says so), 0 when none; cleared by the call.
    // GUI thread.
    int takeDeviceError() { return std::exchange(deviceError_, 0); }

    // --- Event sounds ----------------------------------------------------------
    // Forwards to the player (RadioStreamSound), which shares the engine's
    // sound device and decoder modules.

    // A null or empty file queues nothing and gives 0. Otherwise writes
    // "playSound(): " and the file to stderr and queues the sound: its id,
    // or 0 when nothing was queued (empty name, paused).
    int playSound(const QString &file, bool interruptible, bool loop, int interval);
    // The id of the event sound being played, 0 when none. Lock-free, any thread.
    int soundPlaying() const;
    // Stops the sound being played at its next check.
    void stopSound();
    bool isSoundQueued(int id) const;

signals:
    void streamStart();
    void streamStop();
    void streamPaused(bool paused);
    void streamBufferEmpty(bool empty);
    void streamFetch(unsigned id, const QByteArray *data);

public slots:
    void slotRead();
    void slotFetch();
    void slotScanTimer();

private:
    // libcurl's write path for the stream (read thread).
    friend size_t streamWrite(char *data, size_t size, size_t count, void *user) noexcept;

    // Builds the parts and wires their hooks (constructor).
    void makeParts(AudioOps *ops);
    // Any thread.
    void post(int type) const;
    // Caller holds playListMutex.
    PlayListItem *playing() const { return cursor_.selected(Selection::Playing); }
    // Caller holds playListMutex: the entry whose source is open, while it is
    // still the playing entry; null otherwise. Workers write only to it.
    PlayListItem *streamEntry() const
    {
        return playing() && playing() == streamItem_ ? playing() : nullptr;
    }
    // playListMutex, for any thread. The GUI thread never waits for a worker
    // while it holds it, so workers take it plainly.
    std::unique_lock<std::recursive_mutex> lockPlaylist() const
    {
        return std::unique_lock(playListMutex_);
    }
    void postDisplayRefresh(PlayListItem *item);

    // Stream start and stop (GUI thread).
    bool initStream();
    bool openLocalSource(PlayListItem *item);
    bool openRemoteSource(PlayListItem *item);
    // Marks `item` bad with `error` and reports the failed start.
    bool failOpen(PlayListItem *item, const QString &error);
    void stopSequence();

    // The read tick's pieces (GUI thread).
    bool afterSkippedSniff();
    bool sniffAndAct();
    void startDecodeThread();
    // Marks the stream's entry failed with `error` unless it has one already.
    void failPlaying(const QString &error);
    // Why bytes that arrived are not played: the transfer's own failure when
    // it broke off, else their format.
    QString undecodedError();
    // Applies what the sniff found to the playing entry (no lock held); true
    // when it stored something.
    bool storeSniffed();
    void publishPlayingTags();

    // The read thread's pass.
    void readLocalSource();
    // Resumes a stream paused for room, then drives libcurl once.
    void runTransfers();
    void streamTransferDone(int result);
    // The stream's source failed: the held audio plays out first.
    void sourceFailed(const QString &error);

    // HTTP Live Streaming (streamHls.cpp): the sniffed playlist becomes a
    // session that fetches its segments (GUI thread); the read thread pumps it.
    void startHls(const QByteArray &playlist);
    // A fetch without the fetch tick (which the read tick keeps running for
    // a session): any thread.
    unsigned queueFetch(const QString &url, const QByteArray &userAgent = {});
    void pumpHls();
    std::optional<size_t> deliverHls(const char *data, size_t length);
    bool reprobeHls(const QByteArray &head, uint64_t at);

    // Decoder modules: a module found on held bytes becomes the stream's.
    bool findStreamModule(const QByteArray &held);
    void applyStreamInfo(PlayListItem *item);
    // Applies a module's record to an entry: its stream information, the
    // device format when it is the playing entry, and the events. Caller
    // holds no lock but possibly playListMutex. A worker's entry must still
    // be the one it works for (the probe's target, or the stream's entry).
    void applyInfo(PlayListItem *item, const DecoderInfoSnapshot &info);
    bool workerMayWrite(const PlayListItem *item) const;
    // The entry's tags may have changed: for the playing entry its stored
    // reply header and metadata are parsed; StreamTagsEvent is posted.
    void itemChanged(PlayListItem *item);
    // A probe that was started is told to give up, then joined. Caller holds
    // no lock.
    void abandonProbe();
    void probeRun();

    QObject *receiver_;
    const int verbosity_;
    StreamFlags flags_;
    // GUI thread; the parts hold what their threads read.
    StreamSettings settings_;

    // The parts, each with its own lock.
    std::unique_ptr<AudioDevice> device_;
    std::unique_ptr<DecoderRegistry> decoders_;
    std::unique_ptr<StreamTransfer> transfer_;
    std::unique_ptr<Recorder> recorder_;
    std::unique_ptr<StreamIntake> intake_;
    std::unique_ptr<DecodeLoop> decodeLoop_;
    // An HTTP Live Streaming source's session while one plays: made and
    // destroyed by the GUI thread while no read pass runs, else the read
    // thread's.
    std::unique_ptr<HlsSession> hls_;

    // The first lock in the engine's order.
    mutable std::recursive_mutex playListMutex_;

    // playListMutex_
    PlaylistCursor cursor_;
    PlayListItem *loadedItem_ = nullptr;
    Selection probeSelection_ = Selection::Playing;
    PlayListItem *streamItem_ = nullptr;      // the entry initStream opened, until the stop
    std::atomic<bool> probeAbandoned_{false}; // the probe stops at its next module call

    // Non-zero: the read tick does nothing more for this stream.
    enum class StopCode { None, TransferFailed, Decided, SourceFailed };
    std::atomic<StopCode> stopCode_{StopCode::None};
    std::atomic<bool> restarting_{false};

    // Timers (GUI thread).
    QTimer readTimer_;
    QTimer fetchTimer_;
    QTimer scanTimer_;      // single shot, re-armed by slotScanTimer
    int scanInterval_ = 15; // seconds (GUI thread)
    int scanCount_ = 0;     // seconds decoded so far (GUI thread)

    std::unique_ptr<RadioStreamReadThread> readThread_;
    std::unique_ptr<RadioStreamScanThread> probeThread_;

    int recordError_ = 0; // GUI thread only
    int deviceError_ = 0; // GUI thread only

    // Created with the parts; shut down first thing by the destructor.
    std::unique_ptr<RadioStreamSound> sound_;
};

// Changes one engine setting, leaving the others as they are:
// changeSetting(stream, &StreamSettings::decodeWait, 5).
template <typename T, typename V>
void changeSetting(RadioStream &stream, T StreamSettings::*field, V &&value)
{
    StreamSettings s = stream.settings();
    s.*field = std::forward<V>(value);
    stream.setSettings(s);
}
