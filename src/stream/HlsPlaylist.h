#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

// The playlists of an HTTP Live Streaming source, read from their text.
// Pure: text in, lists out. Untrusted input: unknown tags and malformed
// lines are skipped, and the lists are capped so that a hostile body
// cannot exhaust memory.

// How a segment is encrypted.
struct HlsKey
{
    enum class Method { None, Aes128, Other };
    Method method = Method::None;
    QString methodName; // as written, for an error about another method
    QString uri;        // absolute
    QByteArray iv;      // 16 bytes, or empty: the media sequence number is the IV
};

struct HlsSegment
{
    qint64 sequence = 0;
    double duration = 0; // seconds
    QString uri;         // absolute
    QString title;       // of #EXTINF, may be empty
    bool discontinuity = false;
    HlsKey key;
    QString mapUri; // the init section of a fragmented MP4 segment, absolute
};

struct HlsMediaPlaylist
{
    double targetDuration = 0; // seconds; 0 when the tag is missing
    qint64 mediaSequence = 0;  // of the first segment
    bool endList = false;
    std::vector<HlsSegment> segments;
};

struct HlsVariant
{
    QString uri; // absolute
    qint64 bandwidth = 0;
    QString codecs;
    QString audioGroup;
    bool hasResolution = false; // a video rendition
};

struct HlsRendition
{
    QString groupId;
    QString uri; // absolute; empty: the audio is in the variant itself
    bool isDefault = false;
};

struct HlsPlaylist
{
    bool master = false; // variants, no segments
    std::vector<HlsVariant> variants;
    std::vector<HlsRendition> audio; // EXT-X-MEDIA of TYPE=AUDIO
    HlsMediaPlaylist media;
};

// Reads a playlist; relative URIs are resolved against `base`.
HlsPlaylist parseHlsPlaylist(QByteArrayView text, const QString &base);

// The variant to play: of those whose codecs can be decoded, an audio-only
// one if there is one, with the highest bandwidth not above `limit` bits/s
// (0: no limit), else the lowest. Nothing when none can be decoded.
std::optional<size_t> chooseHlsVariant(const std::vector<HlsVariant> &variants, qint64 limit);

// The media playlist of a variant: its audio group's rendition (the default
// one first) when that has a URI of its own, else the variant's.
QString hlsMediaUri(const HlsPlaylist &master, const HlsVariant &variant);
