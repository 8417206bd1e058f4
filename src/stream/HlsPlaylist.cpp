// Reading HTTP Live Streaming playlists and choosing what to play.
#include "HlsPlaylist.h"

#include "ByteViews.h"

#include <QList>
#include <QUrl>

#include <algorithm>
#include <map>

namespace {

// A hostile playlist is cut off here rather than held in memory.
constexpr size_t kMaxEntries = 20000;

using Attributes = std::map<QByteArray, QByteArray>;

// KEY=VALUE pairs separated by commas; a quoted value may hold commas.
Attributes parseAttributes(QByteArrayView list)
{
    Attributes out;
    qsizetype i = 0;
    while (i < list.size()) {
        const qsizetype eq = list.indexOf('=', i);
        if (eq < 0)
            break;
        const QByteArray key = midView(list, i, eq - i).trimmed().toByteArray();
        qsizetype end = eq + 1;
        QByteArray value;
        if (end < list.size() && list[end] == '"') {
            const qsizetype close = list.indexOf('"', end + 1);
            const qsizetype stop = close < 0 ? list.size() : close;
            value = midView(list, end + 1, stop - end - 1).toByteArray();
            end = stop + 1;
        }
        const qsizetype comma = list.indexOf(',', end);
        const qsizetype stop = comma < 0 ? list.size() : comma;
        if (value.isNull())
            value = midView(list, end, stop - end).trimmed().toByteArray();
        if (out.size() < kMaxEntries)
            out[key] = value;
        i = stop + 1;
    }
    return out;
}

QString resolve(const QString &base, const QByteArray &ref)
{
    return QUrl(base).resolved(QUrl(QString::fromUtf8(ref.trimmed()))).toString();
}

QByteArray hexIv(const QByteArray &text)
{
    QByteArray hex = text;
    if (hex.startsWith("0x") || hex.startsWith("0X"))
        hex = hex.mid(2);
    QByteArray iv = QByteArray::fromHex(hex);
    if (iv.size() > 16)
        return {};
    iv.prepend(QByteArray(16 - iv.size(), '\0'));
    return iv;
}

HlsKey parseKey(const Attributes &a, const QString &base)
{
    HlsKey key;
    const auto get = [&a](const char *name) {
        const auto it = a.find(name);
        return it == a.end() ? QByteArray() : it->second;
    };
    key.methodName = QString::fromLatin1(get("METHOD"));
    if (key.methodName == QLatin1String("NONE") || key.methodName.isEmpty())
        return key;
    key.method =
        key.methodName == QLatin1String("AES-128") ? HlsKey::Method::Aes128 : HlsKey::Method::Other;
    key.uri = resolve(base, get("URI"));
    if (!get("IV").isEmpty())
        key.iv = hexIv(get("IV"));
    return key;
}

// "Artist - Title", or a title="…" / artist="…" list some servers write.
QString extinfTitle(QByteArrayView rest)
{
    const qsizetype comma = rest.indexOf(',');
    if (comma < 0)
        return {};
    const QByteArrayView text = midView(rest, comma + 1).trimmed();
    if (!text.contains(QByteArrayView("=\"")))
        return QString::fromUtf8(text);
    const Attributes a = parseAttributes(text);
    const auto get = [&a](const char *name) {
        const auto it = a.find(name);
        return it == a.end() ? QString() : QString::fromUtf8(it->second);
    };
    const QString title = get("title"), artist = get("artist");
    if (artist.isEmpty())
        return title;
    return title.isEmpty() ? artist : artist + QStringLiteral(" - ") + title;
}

// What the tags of a media playlist say about the segment that follows.
struct Pending
{
    HlsSegment next;
    HlsKey key;
    QString mapUri;
};

void mediaTag(HlsPlaylist &p, Pending &pending, QByteArrayView line, const QString &base)
{
    const auto value = [&line](const char *tag) {
        return midView(line, qsizetype(qstrlen(tag))).trimmed();
    };
    if (line.startsWith("#EXT-X-TARGETDURATION:"))
        p.media.targetDuration = value("#EXT-X-TARGETDURATION:").toDouble();
    else if (line.startsWith("#EXT-X-MEDIA-SEQUENCE:"))
        // Bounded, so that counting on from it cannot overflow.
        p.media.mediaSequence =
            std::clamp(value("#EXT-X-MEDIA-SEQUENCE:").toLongLong(), 0LL, 1LL << 53);
    else if (line.startsWith("#EXT-X-ENDLIST"))
        p.media.endList = true;
    else if (line.startsWith("#EXT-X-DISCONTINUITY") && !line.startsWith("#EXT-X-DISCONTINUITY-"))
        pending.next.discontinuity = true;
    else if (line.startsWith("#EXT-X-KEY:"))
        pending.key = parseKey(parseAttributes(value("#EXT-X-KEY:")), base);
    else if (line.startsWith("#EXT-X-MAP:"))
        pending.mapUri = resolve(base, parseAttributes(value("#EXT-X-MAP:"))["URI"]);
    else if (line.startsWith("#EXTINF:")) {
        const QByteArrayView rest = value("#EXTINF:");
        const qsizetype comma = rest.indexOf(',');
        pending.next.duration = midView(rest, 0, comma < 0 ? rest.size() : comma).toDouble();
        pending.next.title = extinfTitle(rest);
    }
}

void masterTag(HlsPlaylist &p, QByteArrayView line, const QString &base, bool &variantNext,
               HlsVariant &variant)
{
    if (line.startsWith("#EXT-X-STREAM-INF:")) {
        Attributes a = parseAttributes(midView(line, 18));
        variant = HlsVariant();
        variant.bandwidth = a["BANDWIDTH"].toLongLong();
        variant.codecs = QString::fromLatin1(a["CODECS"]);
        variant.audioGroup = QString::fromUtf8(a["AUDIO"]);
        variant.hasResolution = a.count("RESOLUTION") > 0;
        variantNext = true;
        p.master = true;
    } else if (line.startsWith("#EXT-X-MEDIA:")) {
        Attributes a = parseAttributes(midView(line, 13));
        if (a["TYPE"] != "AUDIO" || p.audio.size() >= kMaxEntries)
            return;
        HlsRendition r;
        r.groupId = QString::fromUtf8(a["GROUP-ID"]);
        if (!a["URI"].isEmpty())
            r.uri = resolve(base, a["URI"]);
        r.isDefault = a["DEFAULT"] == "YES";
        p.audio.push_back(r);
    }
}

} // namespace

HlsPlaylist parseHlsPlaylist(QByteArrayView text, const QString &base)
{
    HlsPlaylist p;
    Pending pending;
    bool variantNext = false;
    HlsVariant variant;
    qint64 sequence = -1;
    // A reply header before the body (the stream's transfer keeps it) is no
    // part of the list.
    text = midView(text, std::max<qsizetype>(0, text.indexOf(QByteArrayView("#EXTM3U"))));
    for (QByteArrayView line : QByteArray(text.toByteArray()).replace('\r', '\n').split('\n')) {
        line = line.trimmed();
        if (line.isEmpty())
            continue;
        if (line.startsWith('#')) {
            masterTag(p, line, base, variantNext, variant);
            mediaTag(p, pending, line, base);
            continue;
        }
        if (variantNext) {
            variant.uri = resolve(base, line.toByteArray());
            if (p.variants.size() < kMaxEntries)
                p.variants.push_back(variant);
            variantNext = false;
            continue;
        }
        if (p.media.segments.size() >= kMaxEntries)
            continue;
        if (sequence < 0)
            sequence = p.media.mediaSequence;
        HlsSegment s = std::exchange(pending.next, HlsSegment());
        s.sequence = sequence++;
        s.uri = resolve(base, line.toByteArray());
        s.key = pending.key;
        s.mapUri = pending.mapUri;
        p.media.segments.push_back(s);
    }
    return p;
}

namespace {

bool isVideoCodec(const QString &codec)
{
    for (const char *prefix : {"avc1", "avc3", "hvc1", "hev1", "vp09", "vp8", "av01", "mp4v"})
        if (codec.startsWith(QLatin1String(prefix)))
            return true;
    return false;
}

// AAC (LC, HE, HE v2) and MPEG audio, as the modules decode them.
bool isDecodedAudio(const QString &codec)
{
    return codec.startsWith(QLatin1String("mp4a.40.")) || codec == QLatin1String("mp4a.69") ||
           codec == QLatin1String("mp4a.6b") || codec == QLatin1String("mp4a.6B") ||
           codec == QLatin1String("mp3");
}

struct Verdict
{
    bool decodable = false;
    bool audioOnly = false;
};

Verdict judge(const HlsVariant &v)
{
    Verdict verdict{true, !v.hasResolution};
    if (v.codecs.isEmpty())
        return verdict; // nothing said: worth a try
    bool audio = false;
    for (const QString &raw : v.codecs.split(u',')) {
        const QString codec = raw.trimmed();
        if (isVideoCodec(codec))
            verdict.audioOnly = false;
        else if (isDecodedAudio(codec))
            audio = true;
        else
            verdict.decodable = false;
    }
    // A video variant may take its audio from a group.
    verdict.decodable = verdict.decodable && (audio || !v.audioGroup.isEmpty());
    return verdict;
}

// True when a is the better choice than b.
bool better(const HlsVariant &a, const HlsVariant &b, qint64 limit)
{
    const bool aFits = limit <= 0 || a.bandwidth <= limit;
    const bool bFits = limit <= 0 || b.bandwidth <= limit;
    if (aFits != bFits)
        return aFits;
    return aFits ? a.bandwidth > b.bandwidth : a.bandwidth < b.bandwidth;
}

} // namespace

std::optional<size_t> chooseHlsVariant(const std::vector<HlsVariant> &variants, qint64 limit)
{
    bool anyAudioOnly = false;
    for (const HlsVariant &v : variants) {
        const Verdict verdict = judge(v);
        anyAudioOnly = anyAudioOnly || (verdict.decodable && verdict.audioOnly);
    }
    std::optional<size_t> best;
    for (size_t i = 0; i < variants.size(); ++i) {
        const Verdict verdict = judge(variants[i]);
        if (!verdict.decodable || (anyAudioOnly && !verdict.audioOnly))
            continue;
        if (!best || better(variants[i], variants[*best], limit))
            best = i;
    }
    return best;
}

QString hlsMediaUri(const HlsPlaylist &master, const HlsVariant &variant)
{
    const HlsRendition *chosen = nullptr;
    for (const HlsRendition &r : master.audio) {
        if (r.groupId != variant.audioGroup || r.uri.isEmpty())
            continue;
        if (!chosen || (r.isDefault && !chosen->isDefault))
            chosen = &r;
    }
    return chosen ? chosen->uri : variant.uri;
}
