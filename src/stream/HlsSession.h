#pragma once

#include "HlsPlaylist.h"
#include "Mp4Fragments.h"
#include "TsDemuxer.h"

#include <QByteArray>
#include <QString>

#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <optional>

// One HTTP Live Streaming source: follows its playlists, fetches the media
// segments in media-sequence order and hands their audio on as if one
// stream had sent it.
//
// Threads: built and destroyed by the GUI thread while no read pass runs;
// otherwise only the read thread calls it (take() from the transfer's
// fetch sink, pump() after each pass), so it needs no lock of its own.
// take() runs under the fetch lock and only stores bytes; pump() runs with
// no lock held and is where the audio goes out.
class HlsSession
{
public:
    struct Io
    {
        // Starts a fetch of the URL and gives its id.
        std::function<unsigned(const QString &url)> fetch;
        // A fetch this session is done with: its error text (null when it
        // succeeded); the transfer forgets it.
        std::function<QString(unsigned id)> finish;
        // Audio for the hold buffer: the bytes taken (fewer while it is
        // full), nothing when they were refused (the stream has failed).
        std::function<std::optional<size_t>(const char *data, size_t length)> deliver;
        // The stream title from the audio delivered next on.
        std::function<void(const QString &title)> title;
        std::function<void()> ended; // the last segment's audio was delivered
        // Bytes in the hold buffer.
        std::function<size_t()> held;
        // The audio changes its codec after the first `at` bytes delivered:
        // finds the module for `head`, the new audio's beginning. False when
        // none takes it (the stream has failed).
        std::function<bool(const QByteArray &head, uint64_t at)> reprobe;
        std::function<void(const QString &error)> fail;
    };

    // `url` is the address whose body was the first playlist; `bandwidthLimit`
    // in bits/s, 0 for none.
    HlsSession(QString url, qint64 bandwidthLimit, Io io);
    // Forgets the fetches still running.
    ~HlsSession();
    HlsSession(const HlsSession &) = delete;
    HlsSession &operator=(const HlsSession &) = delete;

    // Reads the playlist the stream's own transfer received.
    void start(QByteArrayView firstPlaylist);
    // A fetch's chunk, or null when it ended. False when the fetch is not
    // this session's.
    bool take(unsigned id, const QByteArray *chunk);
    // Acts on what arrived: reads playlists, decodes segments, hands out
    // audio, starts the next fetches, reloads a live playlist.
    void pump();

private:
    using Clock = std::chrono::steady_clock;
    struct Fetch
    {
        unsigned id = 0; // 0: none running
        QByteArray body;
        bool done = false;
        bool tooLarge = false;
        qsizetype limit = 0;
    };
    enum class Aux { Key, Map };

    bool begin(Fetch &f, const QString &url, qsizetype limit);
    // The fetch's error, or null; the slot is free again.
    QString end(Fetch &f);
    void fail(const QString &error);

    void readPlaylist(QByteArrayView text);
    void chooseVariant(const HlsPlaylist &master);
    void merge(const HlsMediaPlaylist &media);
    void handlePlaylist();
    void handleAux();
    void handleSegment();
    void takeSegment(const HlsSegment &segment, const QByteArray &body);
    void deliver();
    void scheduleSegment();
    void scheduleReload();
    void checkStall();
    const HlsSegment *nextSegment() const;
    Clock::duration target() const;

    QString url_; // the media playlist's, once known
    const qint64 bandwidthLimit_;
    Io io_;
    bool failed_ = false;
    bool ended_ = false;
    int masterDepth_ = 0;

    Fetch playlist_, segment_, aux_;
    Aux auxKind_ = Aux::Key;
    QString auxUri_;

    // The media playlist as last read.
    double targetDuration_ = 0;
    bool endList_ = false;
    bool mediaRead_ = false; // a media playlist was read (not only a master)
    std::vector<HlsSegment> listed_;
    qint64 next_ = -1;    // the next sequence number to fetch
    qint64 newest_ = -1;  // the highest sequence number ever listed
    HlsSegment fetching_; // the segment segment_ fetches
    int attempts_ = 0;
    Clock::time_point retryAt_{};
    Clock::time_point reloadAt_{};
    Clock::time_point changedAt_{};

    std::map<QString, QByteArray> keys_;
    QString mapUri_;
    Mp4AudioTrack track_;

    bool switchCodec();

    QByteArray pending_;     // audio not yet in the hold buffer
    uint64_t delivered_ = 0; // bytes into the hold buffer so far
    TsAudio::Codec codec_ = TsAudio::Codec::Unknown;
    qsizetype switchAt_ = -1; // into pending_: a new codec begins there
    struct Title
    {
        qsizetype position; // into pending_
        QString text;
    };
    std::deque<Title> titles_;
    QString lastTitle_;
};
