#pragma once

#include "ContentSniff.h"
#include "HoldBuffer.h"
#include "IcyDeinterleaver.h"
#include "RecordCut.h"
#include "StreamFlags.h"

#include <QByteArray>
#include <QString>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

// The read side of the stream: what the received bytes pass through between
// the source and the decode loop. It owns the hold buffer, the overflow of a
// paused transfer, the ICY de-interleaver with its metadata queue, the local
// source and the read tick's sniff state, all under its own lock.
//
// In the engine's lock order the lock comes right after the playlist lock.
// It is released before the hooks that take other locks run (findModule
// takes the playlist and decoder locks, startDecoding posts, record writes
// to the recorder); the other hooks only read flags.
class StreamIntake
{
public:
    struct Hooks
    {
        std::function<bool()> decoding;  // the decode loop runs
        std::function<bool()> hasModule; // a module decodes the stream
        // Searches the modules on held bytes; true when one was installed.
        std::function<bool(const QByteArray &held)> findModule;
        std::function<void()> startDecoding;
        std::function<bool()> recording;
        // The bytes appended, and the metadata texts whose audio begins in them.
        std::function<void(const char *data, size_t length, std::span<const RecordCut> cuts)>
            record;
        std::function<void()> received; // network bytes arrived
    };
    StreamIntake(StreamFlags &flags, Hooks hooks);
    ~StreamIntake();
    StreamIntake(const StreamIntake &) = delete;
    StreamIntake &operator=(const StreamIntake &) = delete;

    // --- The stream's start and stop (GUI thread) ---------------------------
    // An empty buffer of the requested size, nothing sniffed, no source.
    void reset();
    // Frees the buffer and closes the local source.
    void release();
    void setLocalSource(int fd);
    // Sets the playing flag under the lock and wakes the decode loop.
    void setPlaying(bool on);

    // --- State ---------------------------------------------------------------
    void setRequestedSize(unsigned bytes);
    unsigned requestedSize() const;
    size_t capacity() const;
    size_t fill() const;
    bool lessThanHalfFull() const;
    // A local source is read no further while more than half the buffer is
    // held.
    bool localSourceHeld() const;
    // A sniff has seen the front of the received bytes: a reply header there
    // was stripped, or they cannot start with one. Until then the held bytes
    // may be header bytes, which a recording must not take.
    bool frontChecked() const;

    // --- The read thread -------------------------------------------------------
    // What the write path did with a received block.
    enum class Take { Taken, Paused, Refused };
    // Received bytes go into the hold buffer as far as it has room; the rest
    // waits in the overflow (Paused) until drainOverflow() takes it.
    Take takeNetworkBlock(const char *data, size_t length);
    Take drainOverflow();
    enum class LocalRead { Idle, Block, Ended, Failed };
    // Reads the next block of a local source into `block` (Failed: errno in
    // `error`); Ended sets the end-of-data flag.
    LocalRead readLocal(QByteArray &block, int &error);
    // Appends a local block in pieces that fit; false refuses it.
    bool appendLocalBlock(const char *data, size_t length);
    // HTTP Live Streaming: the held playlist is not audio. Empties the buffer
    // and sniffs afresh what the segments deliver; a segment has no reply
    // header, so its bytes may be recorded at once.
    void restartForSegments();
    // A segment's audio, as far as the buffer has room now; nothing when it
    // is refused (stopped, or no module takes a full buffer).
    std::optional<size_t> takeSegmentBytes(const char *data, size_t length);
    // The title of the audio appended next, shown when the decode loop
    // reaches it (as an ICY metadata text).
    void markMetadata(const QByteArray &text);
    // The newest metadata text received (the title of the audio at the
    // buffer's end), if one is still waiting for the decode loop.
    std::optional<QByteArray> newestMetadata() const;
    // Wakes the decode loop after a read pass. What the pass changed was
    // written before the lock is taken here, so the loop either sees it or is
    // already waiting.
    void wake();

    // --- The read tick (GUI thread) ---------------------------------------------
    // True when the held bytes changed since the last sniff, or a playlist
    // body has ended, and nothing decodes yet.
    bool sniffDue(bool decoding);
    struct Sniffed
    {
        ContentCode code = ContentNone;
        size_t fill = 0;          // held after the sniff
        bool errorStatus = false; // the header carried an error status
        bool hls = false;         // the playlist body is an HLS playlist
        QByteArray playlist;      // a whole playlist body, when it ended
    };
    // Sniffs the held bytes; searches the modules when no header decides.
    Sniffed sniff();
    // No module decided on the held bytes and none arrived since the last sniff.
    bool undecidedSinceSniff() const;
    // The reply header and the error status the last sniff found, once.
    std::pair<QString, QString> takeSniffedHeader();
    // The transfer failed: true when the error is kept until the held audio
    // has played (the decode loop posts it).
    bool deferError(const QString &text, bool decoding);
    QString takeDeferredError();

    // --- The decode loop -----------------------------------------------------------
    void decodeStarting();
    struct Chunk
    {
        enum Kind { Stopped, Ended, Empty, Held, Bytes } kind = Stopped;
        QByteArray bytes;
        std::optional<QString> metadata; // the text whose audio is in the chunk
        QString error;                   // Ended: the deferred error, if any
    };
    // The decode loop's next pass: up to `maxBytes` from the front, unless
    // `held` (asked under the lock) says the loop is to wait.
    Chunk takeChunk(size_t maxBytes, const std::function<bool()> &held);
    // Sleeps until there is work for the decode loop or `bound` passed.
    void waitForWork(std::chrono::milliseconds bound);
    // Sleeps until `bytes` are held, the stream stopped or `bound` passed.
    void waitForFill(size_t bytes, std::chrono::milliseconds bound);

private:
    enum class Room { Made, Never, Search };
    ContentCode sniffHeader();
    Room makeRoom(QByteArray &held);
    bool searchFor(const QByteArray &held);
    std::optional<size_t> fillHold(const char *data, size_t length);
    bool copyForRecord(size_t from, bool recording);
    void recordCopied();
    // Keeps the texts queued by the last append as cut points, by their
    // place in the whole stream.
    void keepCuts();

    StreamFlags &flags_;
    const Hooks hooks_;

    mutable std::mutex mutex_;
    // Signalled after every read pass and when the stream stops: the decode
    // loop waits on it while there is nothing to decode.
    std::condition_variable changed_;
    HoldBuffer buffer_;
    unsigned requestedSize_ = 262144;
    IcyDeinterleaver icy_;
    QByteArray overflow_; // bytes that did not fit; the transfer is paused meanwhile
    int localFd_ = -1;
    size_t lastSniffFill_ = 0;
    bool frontChecked_ = false;
    ContentCode contentCode_ = ContentNone;
    QString sniffedHeader_, sniffedError_;
    QString deferredError_;    // the transfer failed after audio arrived
    bool decodeEnded_ = false; // after that, errors are posted at once

    // Cut points for the recording: each text by the count of audio bytes
    // of the stream before it (front bytes taken so far plus its position).
    std::vector<IcyDeinterleaver::MetaMark> queuedNow_;
    std::deque<std::pair<qint64, QByteArray>> cutsAhead_;
    qint64 frontTaken_ = 0; // audio bytes taken from the front since reset

    std::vector<char> recordScratch_;   // read thread only
    std::vector<RecordCut> recordCuts_; // read thread only
};
