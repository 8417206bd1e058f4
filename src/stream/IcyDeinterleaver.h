#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <deque>
#include <optional>
#include <vector>

class HoldBuffer;

// Removes the interleaved ICY metadata blocks from a received byte stream.
//
// Every `interval` audio bytes the server inserts one length byte L and then
// 16 × L bytes of text padded with zero bytes. append() takes the received
// blocks as they come, split anywhere, appends the audio to the hold buffer
// and queues each text with the hold-buffer fill at which it was cut out (the
// number of audio bytes that precede it in the buffer). The positions depend
// only on the byte stream, never on how the network split it.
//
// Not thread-safe: the engine guards the whole object with its hold-buffer
// lock, the same lock that guards the HoldBuffer passed in.
class IcyDeinterleaver
{
public:
    // A metadata text and the hold-buffer fill at which it was cut out.
    struct MetaMark
    {
        QByteArray text;
        qint64 position;
    };

    // Texts queued beyond this many replace the newest one, so that a hostile
    // server sending text after every audio byte cannot exhaust memory.
    static constexpr size_t MaxQueued = 1024;

    // Appends len received bytes: audio into buf, metadata into the queue.
    // The caller has made room for len bytes; when it has not (len > room),
    // nothing is appended and false is returned.
    bool append(HoldBuffer &buf, const char *data, size_t len);

    // Metadata interval m in audio bytes; 0 = no metadata. Keeps the count of
    // audio bytes since the last block.
    void setInterval(int m);
    int interval() const { return interval_; }
    // Audio bytes appended since the last metadata block (c).
    void setAudioSinceMeta(size_t c) { sinceMeta_ = c; }
    size_t audioSinceMeta() const { return sinceMeta_; }

    // The reply header of headerLength bytes sits at the front of buf and was
    // followed by body bytes appended while the interval was still unknown.
    // Drops the header, resets the state to `interval` and runs the body
    // through append() again, so that de-interleaving covers the body from
    // its first byte however much of it arrived before the header was read.
    void stripHeader(HoldBuffer &buf, size_t headerLength, int interval);

    // Forgets everything: interval 0, count 0, no partial block, empty queue.
    void reset();

    // The decode loop took a chunk of `chunk` bytes from the front of the
    // hold buffer. Every queued position drops by chunk; the texts whose
    // audio has now been reached leave the queue, and the newest of them is
    // returned (earlier ones in the same chunk are already superseded).
    // Text bytes are read as UTF-8 when valid, else as Latin-1.
    std::optional<QString> advance(size_t chunk);

    // Queues a text that came some other way than interleaved (an HTTP Live
    // Streaming title) at the hold-buffer fill `position`.
    void mark(const QByteArray &text, size_t position)
    {
        queueText(text.constData(), size_t(text.size()), position);
    }

    // While set, every text queued is also copied into `sink` (the
    // recording's cut points); null stops it.
    void collectInto(std::vector<MetaMark> *sink) { collect_ = sink; }

    const std::deque<MetaMark> &queue() const { return queue_; }
    // True while a metadata block has begun but not all of it has arrived.
    bool partialPending() const { return expected_ != 0; }

private:
    size_t takePartial(HoldBuffer &buf, const char *data, size_t len);
    void queueText(const char *text, size_t len, size_t position);

    int interval_ = 0;     // m
    size_t sinceMeta_ = 0; // c
    // E: 0 none pending, -1 the next byte is a length byte, else 16 × L.
    int expected_ = 0;
    QByteArray partial_; // length byte and the text collected so far
    std::deque<MetaMark> queue_;
    std::vector<MetaMark> *collect_ = nullptr;
};
