// Following an HTTP Live Streaming source segment by segment.
#include "HlsSession.h"

#include "Aes128Cbc.h"
#include "HlsSegmentReader.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdio>

namespace {

constexpr qsizetype kPlaylistLimit = 4 << 20;
constexpr qsizetype kSegmentLimit = 32 << 20;
constexpr qsizetype kKeyLimit = 1024;
constexpr qsizetype kMapLimit = 4 << 20;
// A segment that fails is asked for this often in all before the stream
// fails, a second apart.
constexpr int kSegmentAttempts = 3;
constexpr auto kRetryDelay = std::chrono::seconds(1);
// A live playlist that gains no segment for this many target durations has
// stalled.
constexpr int kStallTargets = 3;
// Live playback joins this many segments before the live edge.
constexpr qint64 kLiveEdgeSegments = 3;
// Master playlists that only lead to other master playlists.
constexpr int kMaxMasterDepth = 4;

QString tr(const char *text)
{
    return QCoreApplication::translate("RadioStream", text);
}

} // namespace

HlsSession::HlsSession(QString url, qint64 bandwidthLimit, Io io)
    : url_(std::move(url)), bandwidthLimit_(bandwidthLimit), io_(std::move(io))
{}

HlsSession::~HlsSession()
{
    for (Fetch *f : {&playlist_, &segment_, &aux_})
        if (f->id != 0)
            io_.finish(f->id);
}

void HlsSession::start(QByteArrayView firstPlaylist)
{
    readPlaylist(firstPlaylist);
}

bool HlsSession::take(unsigned id, const QByteArray *chunk)
{
    for (Fetch *f : {&playlist_, &segment_, &aux_}) {
        if (f->id == 0 || f->id != id)
            continue;
        if (!chunk)
            f->done = true;
        else if (f->body.size() + chunk->size() > f->limit)
            f->tooLarge = true;
        else
            f->body.append(*chunk);
        return true;
    }
    return false;
}

bool HlsSession::begin(Fetch &f, const QString &url, qsizetype limit)
{
    f = Fetch();
    f.limit = limit;
    f.id = io_.fetch(url);
    return f.id != 0;
}

QString HlsSession::end(Fetch &f)
{
    QString error = io_.finish(f.id);
    if (error.isNull() && f.tooLarge)
        error = tr("too large");
    f.id = 0;
    f.done = false;
    return error;
}

void HlsSession::fail(const QString &error)
{
    if (failed_)
        return;
    failed_ = true;
    io_.fail(error);
}

void HlsSession::pump()
{
    if (failed_ || ended_)
        return;
    handlePlaylist();
    handleAux();
    handleSegment();
    deliver();
    if (failed_)
        return;
    scheduleSegment();
    scheduleReload();
    checkStall();
    if (!failed_ && endList_ && !nextSegment() && segment_.id == 0 && pending_.isEmpty()) {
        ended_ = true;
        io_.ended();
    }
}

// --- Playlists ---------------------------------------------------------------------

void HlsSession::readPlaylist(QByteArrayView text)
{
    const HlsPlaylist p = parseHlsPlaylist(text, url_);
    if (p.master)
        chooseVariant(p);
    else
        merge(p.media);
}

void HlsSession::chooseVariant(const HlsPlaylist &master)
{
    const std::optional<size_t> chosen = chooseHlsVariant(master.variants, bandwidthLimit_);
    if (!chosen || ++masterDepth_ > kMaxMasterDepth) {
        fail(tr("no stream of this playlist can be played"));
        return;
    }
    url_ = hlsMediaUri(master, master.variants[*chosen]);
    std::fprintf(stderr, "HLS VARIANT: %s\n", qPrintable(url_));
    if (!begin(playlist_, url_, kPlaylistLimit))
        fail(tr("the playlist could not be fetched"));
}

// A segment still listed is never skipped; one that has left the window
// cannot be fetched any more, so playback joins at the live edge again.
void HlsSession::merge(const HlsMediaPlaylist &media)
{
    const Clock::time_point now = Clock::now();
    targetDuration_ = media.targetDuration;
    endList_ = media.endList;
    listed_ = media.segments;
    reloadAt_ = now + target() / 2;
    if (!mediaRead_)
        changedAt_ = now;
    mediaRead_ = true;
    if (listed_.empty())
        return;
    const qint64 first = listed_.front().sequence, last = listed_.back().sequence;
    const qint64 liveEdge = std::max(first, last - kLiveEdgeSegments + 1);
    if (next_ < 0)
        next_ = endList_ ? first : liveEdge;
    else if (next_ < first)
        next_ = liveEdge;
    if (last > newest_ || newest_ < 0) {
        newest_ = last;
        changedAt_ = now;
        reloadAt_ = now + target();
    }
}

void HlsSession::handlePlaylist()
{
    if (!playlist_.done)
        return;
    const QByteArray body = std::exchange(playlist_.body, QByteArray());
    const QString error = end(playlist_);
    // A failed reload is tried again; a stream that never lists a segment
    // has nothing to play.
    if (!error.isNull() && newest_ < 0)
        fail(tr("the playlist could not be fetched: %1").arg(error));
    else if (error.isNull())
        readPlaylist(body);
}

void HlsSession::scheduleReload()
{
    if (endList_ || playlist_.id != 0 || Clock::now() < reloadAt_ || !mediaRead_)
        return;
    reloadAt_ = Clock::now() + target() / 2;
    begin(playlist_, url_, kPlaylistLimit);
}

void HlsSession::checkStall()
{
    if (endList_ || !mediaRead_)
        return;
    if (Clock::now() - changedAt_ > kStallTargets * target())
        fail(tr("stream stalled: the playlist stopped updating"));
}

HlsSession::Clock::duration HlsSession::target() const
{
    const double seconds = targetDuration_ > 0 ? std::min(targetDuration_, 3600.0) : 10.0;
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

// --- Segments -----------------------------------------------------------------------

const HlsSegment *HlsSession::nextSegment() const
{
    for (const HlsSegment &s : listed_)
        if (s.sequence == next_)
            return &s;
    return nullptr;
}

// One fetch at a time, and only when the audio before it is in the hold
// buffer: the buffer's room paces the fetching.
void HlsSession::scheduleSegment()
{
    const HlsSegment *s = nextSegment();
    if (!s || segment_.id != 0 || aux_.id != 0 || !pending_.isEmpty() || Clock::now() < retryAt_)
        return;
    if (s->key.method == HlsKey::Method::Other) {
        fail(tr("stream encryption not supported: %1").arg(s->key.methodName));
        return;
    }
    if (s->key.method == HlsKey::Method::Aes128 && !keys_.count(s->key.uri)) {
        auxKind_ = Aux::Key;
        auxUri_ = s->key.uri;
        begin(aux_, auxUri_, kKeyLimit);
        return;
    }
    if (!s->mapUri.isEmpty() && s->mapUri != mapUri_) {
        auxKind_ = Aux::Map;
        auxUri_ = s->mapUri;
        begin(aux_, auxUri_, kMapLimit);
        return;
    }
    fetching_ = *s;
    begin(segment_, s->uri, kSegmentLimit);
}

void HlsSession::handleAux()
{
    if (!aux_.done)
        return;
    const QByteArray body = std::exchange(aux_.body, QByteArray());
    const QString error = end(aux_);
    if (!error.isNull()) {
        fail(tr("the stream's key or init section could not be fetched: %1").arg(error));
    } else if (auxKind_ == Aux::Key) {
        if (body.size() != 16)
            fail(tr("the stream's key is not an AES-128 key"));
        keys_[auxUri_] = body;
    } else {
        track_ = readMp4Init(body);
        mapUri_ = auxUri_;
        if (!track_.valid)
            fail(tr("the stream's init section holds no AAC track"));
    }
}

void HlsSession::handleSegment()
{
    if (!segment_.done)
        return;
    const QByteArray body = std::exchange(segment_.body, QByteArray());
    const QString error = end(segment_);
    if (error.isNull()) {
        attempts_ = 0;
        takeSegment(fetching_, body);
        return;
    }
    if (++attempts_ < kSegmentAttempts) {
        std::fprintf(stderr, "HLS RETRY %lld: %s\n", qint64(fetching_.sequence), qPrintable(error));
        retryAt_ = Clock::now() + kRetryDelay;
        return;
    }
    fail(tr("a segment could not be fetched: %1").arg(error));
}

void HlsSession::takeSegment(const HlsSegment &segment, const QByteArray &body)
{
    QByteArray plain = body;
    if (segment.key.method == HlsKey::Method::Aes128) {
        const QByteArray iv =
            segment.key.iv.isEmpty() ? sequenceIv(segment.sequence) : segment.key.iv;
        plain = aes128CbcDecrypt(body, keys_[segment.key.uri], iv);
        if (plain.isNull()) {
            fail(tr("a segment could not be decrypted"));
            return;
        }
    }
    const SegmentAudio audio =
        readHlsSegment(plain, segment.mapUri.isEmpty() ? Mp4AudioTrack() : track_);
    if (!audio.recognised) {
        fail(tr("unknown segment format"));
        return;
    }
    next_ = segment.sequence + 1;
    // After a discontinuity another codec may follow: its module takes over
    // where its audio begins.
    if (segment.discontinuity && codec_ != TsAudio::Codec::Unknown && audio.codec != codec_)
        switchAt_ = pending_.size();
    if (audio.codec != TsAudio::Codec::Unknown)
        codec_ = audio.codec;
    std::vector<TsAudio::Title> titles = audio.titles;
    if (titles.empty() && !segment.title.isEmpty())
        titles.push_back({0, segment.title});
    for (const TsAudio::Title &t : titles) {
        if (t.text == lastTitle_)
            continue;
        lastTitle_ = t.text;
        titles_.push_back({pending_.size() + std::min(t.position, audio.audio.size()), t.text});
    }
    pending_.append(audio.audio);
}

// A title goes out just before the first byte of the audio it names.
void HlsSession::deliver()
{
    while (!failed_) {
        if (!titles_.empty() && titles_.front().position <= 0) {
            io_.title(titles_.front().text);
            titles_.pop_front();
            continue;
        }
        if (switchAt_ == 0 && !switchCodec())
            return;
        if (pending_.isEmpty())
            return;
        qsizetype upTo = titles_.empty() ? pending_.size() : titles_.front().position;
        if (switchAt_ > 0)
            upTo = std::min(upTo, switchAt_);
        const std::optional<size_t> taken = io_.deliver(pending_.constData(), size_t(upTo));
        if (!taken) {
            failed_ = true; // the engine has reported it
            return;
        }
        if (*taken == 0)
            return;
        pending_.remove(0, qsizetype(*taken));
        delivered_ += *taken;
        if (switchAt_ > 0)
            switchAt_ -= qsizetype(*taken);
        for (Title &t : titles_)
            t.position -= qsizetype(*taken);
    }
}

// The new codec's audio waits until the old one's has left the hold buffer,
// so that no chunk holds both. False while it waits or when it failed.
bool HlsSession::switchCodec()
{
    if (io_.held() > 0)
        return false;
    switchAt_ = -1;
    if (io_.reprobe(pending_.left(64 << 10), delivered_))
        return true;
    failed_ = true;
    return false;
}
