#pragma once

#include "AudioDevice.h"
#include "AudioOps.h"
#include "ContentSniff.h"
#include "DecoderModule.h"
#include "DecoderRegistry.h"
#include "HoldStore.h"
#include "PlaylistCursor.h"
#include "RadioPlayList.h"
#include "Recorder.h"
#include "StreamTransfer.h"
#include "streamEvents.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <array>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

class RadioStreamDecodeThread;
class RadioStreamReadThread;
class RadioStreamScanThread;
class RadioStreamSound;

// The stream engine. One exists per process, created by the main widget.
// It owns the active playlist's selections, opens the playing entry's
// source, moves its bytes through the hold buffer, finds a decoder module,
// decodes on a thread of its own and writes to the sound device. Worker
// threads never touch widgets: the receiver learns everything from custom
// events (streamEvents.h) and a few signals.
//
// Lock order (never taken against it):
//   playListMutex, holdBufferMutex, decoderMutex, fetchMutex, recordMutex, audioMutex.
// No thread waits for another thread while holding a lock that the other takes.
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
    bool isPaused() const { return paused_; }
    // Playing exactly while the read timer runs; readable from any thread.
    bool isPlaying() const { return playing_; }
    bool isBuffering() const { return buffering_; }
    void skipBufferWait() { skipWait_ = true; }
    // Stored, and passed to the device unless an event sound owns it.
    void setVolume(int level);
    int volume() const;
    // True when there is no such entry, false for network URLs, else true
    // exactly for "file://" URLs.
    bool isLocal(Selection which);
    unsigned holdBufferFill() const;

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
    bool next(Selection which) { return step(true, which); }
    bool prev(Selection which) { return step(false, which); }
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
    // Sets the playing entry's error text.
    void setItemError(const QString &text);
    // The entry's tags may have changed: for the playing entry its stored
    // reply header and metadata are parsed; StreamTagsEvent is posted.
    void itemChanged(PlayListItem *item);

    // --- Decoder modules -----------------------------------------------------

    // Tries every module in the plug-in folder on the data; the first that
    // accepts is returned with a fresh feed open. Takes the decoder lock.
    // `abandon`, when given and set, ends the search before the next module.
    DecoderModulePtr findDecoder(PlayListItem *item, const char *data, size_t length,
                                 const std::atomic<bool> *abandon = nullptr);
    DecoderModulePtr probeFile(PlayListItem *item, const QString &path,
                               const std::atomic<bool> *abandon = nullptr);
    void releaseDecoder(DecoderModulePtr &module);
    // Applies the stream module's record to the entry.
    void applyStreamInfo(PlayListItem *item);
    bool startProbe(PlayListItem *item, Selection which);
    // Where modules are searched first: ~/.wavelark/plugins (then the
    // installed ones, InstalledData.h).
    static QString pluginDirectory();

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
    bool isRecording() const { return recorder_.isRecording(); }
    // The path given to the last recordStart, kept after recordStop.
    QString recordFileName() const;
    // When recording, writes the record buffer out now (writer thread, waited for).
    void flushRecord();

    enum class RecordStart { NoItem, Skipped, Started, Failed };
    // A recording for the playing entry, as the main widget starts one when
    // decoding begins (GUI thread). Stops the current recording. Then, with
    // no playing entry: NoItem; a local entry or `armed` false (the record
    // toggle is off): Skipped. Otherwise records to recordPath(directory,
    // now), or, with recordOneFile and a remembered file, appends to that
    // file; posts StreamTagsEvent and gives Started, or Failed
    // (recordError() says why) after writing "recordStart failed: " and the
    // system's message to stderr.
    RecordStart startRecording(const QString &recordDirectory, bool recordOneFile, bool armed);
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
    // recordDirectory + "/" + seconds since 1970 + "-record.mp3".
    static QString recordPath(const QString &recordDirectory, qint64 seconds);

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
    RadioStreamSound *soundPlayer() const { return sound_.get(); }

    // --- Sound device (reference-counted; audio lock) -------------------------

    int openAudio(bool streamVolume) { return device_.open(streamVolume); }
    void closeAudio(bool force) { device_.close(force); }
    const AudioFormatEntry *supportedFormats() const { return device_.formats(); }
    int supportedFormatCount() const { return device_.formatCount(); }

    // --- Settings ------------------------------------------------------------

    void setConnectTimeout(long seconds) { connectTimeout_ = seconds; }
    long connectTimeout() const { return connectTimeout_; }
    // Requested hold-buffer size in bytes; takes effect at the next append.
    void setInBufSize(unsigned bytes);
    // The capacity in use while the read thread runs, else the requested size.
    unsigned inBufSize() const;
    // Decode chunk size in bytes; taken under the decoder lock.
    void setOutBufSize(unsigned bytes);
    unsigned outBufSize() const;
    // Record buffer size in bytes; 0 is ignored. Taken under the record lock.
    void setRecordBufSize(unsigned bytes);
    unsigned recordBufSize() const;
    void setReadInterval(int ms) { readInterval_ = ms; }
    int readInterval() const { return readInterval_; }
    void setDecodeInterval(int ms) { decodeInterval_ = ms; }
    int decodeInterval() const { return decodeInterval_; }
    void setDecodeWait(int seconds) { decodeWait_ = seconds; }
    int decodeWait() const { return decodeWait_; }
    void setFillOnEmpty(bool on);
    bool fillOnEmpty() const { return fillOnEmpty_; }
    void setSkipBadFiles(bool on) { skipBadFiles_ = on; }
    bool skipBadFiles() const { return skipBadFiles_; }
    void setProxy(const QString &hostPort) { proxy_ = hostPort; }
    QString proxy() const { return proxy_; }
    // 0 http, 1 socks4, 2 socks4a, 3 socks5.
    void setProxyType(int type) { proxyType_ = type; }
    int proxyType() const { return proxyType_; }
    void setProxyUsername(const QString &name) { proxyUsername_ = name; }
    QString proxyUsername() const { return proxyUsername_; }
    void setProxyPassword(const QString &password) { proxyPassword_ = password; }
    QString proxyPassword() const { return proxyPassword_; }
    // Empty: every port uses the proxy.
    void setAllowedProxyPorts(const QStringList &ports) { allowedProxyPorts_ = ports; }
    QStringList allowedProxyPorts() const { return allowedProxyPorts_; }
    // Read by the event-sound player's thread.
    void setSoundsVolume(int level) { soundsVolume_ = level; }
    int soundsVolume() const { return soundsVolume_; }
    int verbosity() const { return verbosity_; }

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
    enum class SniffOutcome { Wait, Finished };

    // Any thread.
    void post(int type) const;
    // Posts to the receiver; the receiver's customEvent calls
    // wavelark::takeOverEvent (EventHandOff.h) first.
    void postToReceiver(QEvent *event) const;
    // Caller holds playListMutex.
    PlayListItem *playing() const { return cursor_.selected(Selection::Playing); }
    bool isLocalItem(const PlayListItem *item) const;
    void postDisplayRefresh(PlayListItem *item);
    // Joins the probe thread. Caller holds no lock that the probe takes.
    void waitForProbe();
    void waitForDecodeThread();

    // Stream start and stop (GUI thread).
    bool initStream();
    bool openLocalSource(PlayListItem *item);
    // Marks `item` bad with `error` and reports the failed start.
    bool failOpen(PlayListItem *item, const QString &error);
    void stopSequence();
    void markPlayingBad(const QString &error, bool setError);

    // The read tick's pieces (GUI thread; holdBufferMutex as noted).
    ContentCode sniff(std::unique_lock<std::mutex> &lock); // caller holds holdBufferMutex
    void startDecodeThread();
    void failPlaying(const QString &error);
    QString undecodedError();

public:
    // What the stream's write path did with a received block.
    enum class Take { Taken, Paused, Refused };
    // libcurl's write path for the stream (read thread). Paused: the block was
    // kept, but the transfer must pause until the decode thread made room.
    Take takeNetworkBlock(const char *data, size_t length);
    void pauseTransfer();

private:
    // The read thread's pass and the write path.
    void readPass();
    void wakeDecodeLoop();
    void readLocalSource();
    bool adoptRequestedCapacity(std::unique_lock<std::mutex> &lock);
    bool waitForRoom(std::unique_lock<std::mutex> &lock, size_t n);
    // Moves the overflow into the hold buffer as far as it fits.
    Take drainOverflow(std::unique_lock<std::mutex> &lock);
    // Moves received bytes into the hold buffer while it has room: how many
    // went in, or nothing when they can never be taken.
    std::optional<size_t> fillHold(std::unique_lock<std::mutex> &lock, const char *data,
                                   size_t length);
    // The buffer is full: strips a reply header, else looks for a decoder
    // while none decodes. False when the bytes can never be taken.
    bool makeRoom(std::unique_lock<std::mutex> &lock);
    // Read thread, at the start of a pass: resumes a transfer paused for room.
    void resumeTransfer();
    // Capacity, room and append for one block of a local file; false refuses it.
    bool appendBlock(const char *data, size_t length);
    bool appendLocalBlock(std::unique_lock<std::mutex> &lock, const char *data, size_t length);

    // The read tick's steps (GUI thread).
    bool afterSkippedSniff();
    bool noMoreInput();
    bool sniffAndAct(std::unique_lock<std::mutex> &lock);
    // Content sniff steps before the decoder search; 0 when a search is due.
    // Caller holds holdBufferMutex.
    ContentCode sniffHeader();
    void postPlaylistFromBuffer(ContentCode code); // caller holds holdBufferMutex
    bool playingHasError();
    void publishPlayingTags();
    void lockedFailLater(const QString &error);
    bool searchWhileWaiting(std::unique_lock<std::mutex> &lock);
    // Caller holds playListMutex: the entry whose source is open, while it is
    // still the playing entry; null otherwise. Workers write only to it.
    PlayListItem *streamEntry() const
    {
        return playing() && playing() == streamItem_ ? playing() : nullptr;
    }
    // A module a probe left for another entry is not this entry's decoder.
    void releaseForeignDecoder(PlayListItem *item);
    // A probe that was started is told to give up, then joined. Caller holds
    // no lock.
    void abandonProbe();

    // ICY (holdBufferMutex for the first three).
    void appendNetworkBlock(const char *data, size_t length);
    void resetIcy();
    std::optional<QString> advanceMetadata(size_t chunk);
    void publishMetadata(const QString &text);
    // Parses the entry's stored reply header and metadata text into its
    // tags. Caller holds playListMutex.
    void parseIcyTags(PlayListItem &item);

    // Network (streamNetwork.cpp, streamFetch.cpp).
    bool openRemoteSource(PlayListItem *item);
    // Read thread: resumes a paused stream, then drives libcurl once.
    void runTransfers();
    void streamTransferDone(CURLcode code);
    // Applies what the sniff found to the playing entry (no lock held); true
    // when it stored something.
    bool storeSniffed();

    // The decode thread.
    void decodeLoop();
    bool isRemotePlaying();
    void applyToPlaying();
    void initialWait();
    bool decodeStep(const QByteArray &chunk);
    bool writeFrame(const char *pcm, size_t length);
    bool waitWhileHeld();
    void refillRule();
    void pauseBetweenPasses();

    // Applies a module's record to an entry: its stream information, the
    // device format when it is the playing entry, and the events. Caller
    // holds no lock but possibly playListMutex. A worker's entry must still
    // be the one it works for (the probe's target, or the stream's entry).
    void applyInfo(PlayListItem *item, const DecoderInfoSnapshot &info);
    bool workerMayWrite(const PlayListItem *item) const;
    // playListMutex, for any thread. The GUI thread never waits for a worker
    // while it holds it, so workers take it plainly.
    std::unique_lock<std::recursive_mutex> lockPlaylist() const
    {
        return std::unique_lock(playListMutex_);
    }

    // The probe thread.
    void probeRun();

    QObject *receiver_;
    const int verbosity_;
    // The audio lock and the decoder lock are these parts' own.
    AudioDevice device_;
    DecoderRegistry decoders_;

    // Locks, in their order: this one, then the hold-buffer lock (hold_'s),
    // the decoder lock (decoders_'s), the fetch lock (transfer_'s), the record
    // lock (recorder_'s) and the audio lock (device_'s).
    mutable std::recursive_mutex playListMutex_;

    // playListMutex_
    PlaylistCursor cursor_;
    PlayListItem *loadedItem_ = nullptr;
    Selection probeSelection_ = Selection::Playing;
    PlayListItem *streamItem_ = nullptr;      // the entry initStream opened, until the stop
    std::atomic<bool> probeAbandoned_{false}; // the probe stops at its next module call

    // The hold buffer and its companions; the hold-buffer lock is its own.
    HoldStore hold_;

    // Flags read without a lock.
    std::atomic<bool> playing_{false};
    std::atomic<bool> endOfData_{false};
    // Non-zero: the read tick does nothing more for this stream.
    enum class StopCode { None, TransferFailed, Decided, SourceFailed };
    std::atomic<StopCode> stopCode_{StopCode::None};
    std::atomic<bool> restarting_{false};
    std::atomic<bool> paused_{false};
    std::atomic<bool> buffering_{false};
    std::atomic<bool> skipWait_{false};

    // Settings.
    long connectTimeout_ = 180; // GUI thread
    std::atomic<int> readInterval_{250};
    std::atomic<int> decodeInterval_{100};
    std::atomic<int> decodeWait_{0};
    std::atomic<bool> fillOnEmpty_{false};
    std::atomic<bool> skipBadFiles_{false};
    QString proxy_; // GUI thread, as the other proxy settings
    int proxyType_ = 0;
    QString proxyUsername_;
    QString proxyPassword_;
    QStringList allowedProxyPorts_;
    std::atomic<int> soundsVolume_{0};

    // libcurl: the stream's transfer and the fetches; the fetch lock is its own.
    StreamTransfer transfer_;

    // Decode thread only: the initial wait's deadline.
    std::chrono::steady_clock::time_point decodeWaitUntil_{};
    bool decodeWaitActive_ = false;

    // Timers (GUI thread).
    QTimer readTimer_;
    QTimer fetchTimer_;
    QTimer scanTimer_;      // single shot, re-armed by slotScanTimer
    int scanInterval_ = 15; // seconds (GUI thread)
    int scanCount_ = 0;     // seconds decoded so far (GUI thread)

    std::unique_ptr<RadioStreamDecodeThread> decodeThread_;
    std::unique_ptr<RadioStreamReadThread> readThread_;
    std::unique_ptr<RadioStreamScanThread> probeThread_;

    // Recording state
    // Read thread, end of appendBlock: records the held bytes from `from` to
    // the fill. Caller holds hold_.mutex through `lock`; released here.
    void recordAppended(std::unique_lock<std::mutex> &lock, size_t from);
    Recorder recorder_;               // the record lock is its own
    std::vector<char> recordScratch_; // read thread only
    int recordError_ = 0;             // GUI thread only
    int deviceError_ = 0;             // GUI thread only

    // Event sounds state
    // Created by the constructor; shut down first thing by the destructor.
    std::unique_ptr<RadioStreamSound> sound_;
};
