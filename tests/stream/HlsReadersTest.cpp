// The HTTP Live Streaming readers on their own: playlists as servers write
// them, the variant choice, ID3 titles and the segment formats.
#include "ContentSniff.h"
#include "HlsPlaylist.h"
#include "HlsSegmentReader.h"
#include "Id3Frames.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

QByteArray seed(const char *name)
{
    QFile f(QStringLiteral(HLS_SEEDS "/") + QLatin1String(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

const QString kBase = QStringLiteral("http://radio.example/live/index.m3u8");

TEST(HlsPlaylist, RecognisedByItsTagsNotByItsHeader)
{
    EXPECT_TRUE(isHlsPlaylist(seed("playlist/master")));
    EXPECT_TRUE(isHlsPlaylist(seed("playlist/with_header")));
    EXPECT_TRUE(isHlsPlaylist("#EXTM3U\n#EXT-X-MEDIA-SEQUENCE:7\nseg7.aac\n"));
    // An extended M3U list of stations stays a list.
    EXPECT_FALSE(isHlsPlaylist("#EXTM3U\n#EXTINF:-1,Jazz\nhttp://jazz.example/\n"));
    EXPECT_FALSE(isHlsPlaylist("#EXTM3U\n#EXT-X-VERSION:3\nhttp://a.example/\n"));
    EXPECT_FALSE(isHlsPlaylist("#EXT-X-TARGETDURATION:2\nseg.ts\n"));
}

TEST(HlsPlaylist, MediaPlaylistKeepsWhatEachSegmentNeeds)
{
    const HlsPlaylist p = parseHlsPlaylist(seed("playlist/media"), kBase);
    ASSERT_FALSE(p.master);
    EXPECT_EQ(p.media.targetDuration, 4.0);
    EXPECT_TRUE(p.media.endList);
    ASSERT_EQ(p.media.segments.size(), 3u);
    const HlsSegment &a = p.media.segments[0], &b = p.media.segments[1], &c = p.media.segments[2];
    EXPECT_EQ(a.sequence, 1200);
    EXPECT_EQ(c.sequence, 1202);
    EXPECT_EQ(a.uri, "http://radio.example/live/seg1200.m4s");
    EXPECT_EQ(b.uri, "https://cdn.example/abs/seg1201.m4s?token=a,b");
    EXPECT_EQ(a.title, "Artist - Title");
    EXPECT_EQ(b.title, "Band - Song");
    EXPECT_TRUE(c.title.isEmpty());
    EXPECT_FALSE(a.discontinuity);
    EXPECT_TRUE(b.discontinuity);
    EXPECT_FALSE(c.discontinuity);
    // The key holds until the next one; the init section for them all.
    EXPECT_EQ(a.key.method, HlsKey::Method::Aes128);
    EXPECT_EQ(a.key.uri, "http://radio.example/keys/k1.bin");
    EXPECT_EQ(a.key.iv.toHex(), "0123456789abcdef0123456789abcdef");
    EXPECT_EQ(b.key.method, HlsKey::Method::None);
    EXPECT_EQ(c.key.method, HlsKey::Method::Other);
    EXPECT_EQ(c.key.methodName, "SAMPLE-AES");
    EXPECT_EQ(c.mapUri, "http://radio.example/live/init.mp4");
}

TEST(HlsPlaylist, AReplyHeaderAndLineEndsAreNoPartOfTheList)
{
    const HlsPlaylist p = parseHlsPlaylist(seed("playlist/with_header"), kBase);
    ASSERT_EQ(p.media.segments.size(), 1u);
    EXPECT_EQ(p.media.segments[0].uri, "http://radio.example/live/seg0.ts");
    EXPECT_EQ(p.media.segments[0].sequence, 0);
    EXPECT_EQ(p.media.segments[0].duration, 2.0);
}

TEST(HlsPlaylist, VariantChoice)
{
    const HlsPlaylist master = parseHlsPlaylist(seed("playlist/master"), kBase);
    ASSERT_TRUE(master.master);
    ASSERT_EQ(master.variants.size(), 4u);
    const auto chosen = [&](qint64 limit) {
        const std::optional<size_t> i = chooseHlsVariant(master.variants, limit);
        return i ? master.variants[*i].uri.section(u'/', -2, -2) : QString();
    };
    // Audio-only first; of those the highest that fits, else the lowest.
    EXPECT_EQ(chosen(0), "hi");
    EXPECT_EQ(chosen(100000), "lo");
    EXPECT_EQ(chosen(1000), "lo");

    // Only a video variant: its audio is the group's default rendition.
    std::vector<HlsVariant> video{master.variants[0]};
    ASSERT_EQ(chooseHlsVariant(video, 0), std::optional<size_t>(0));
    EXPECT_EQ(hlsMediaUri(master, video[0]), "http://radio.example/live/audio/index.m3u8");
    // A codec no module decodes is never chosen.
    EXPECT_FALSE(chooseHlsVariant({master.variants[1]}, 0));
}

QByteArray bytes4(uint32_t a, uint32_t b, uint32_t c, uint32_t d)
{
    const char out[4] = {char(a), char(b), char(c), char(d)};
    return QByteArray(out, 4);
}

QByteArray syncsafe(uint32_t n)
{
    return bytes4(n >> 21 & 0x7f, n >> 14 & 0x7f, n >> 7 & 0x7f, n & 0x7f);
}

QByteArray frame(const char *id, const QByteArray &body, bool v24)
{
    const auto n = uint32_t(body.size());
    return QByteArray(id) + (v24 ? syncsafe(n) : bytes4(n >> 24, n >> 16, n >> 8, n)) +
           QByteArray(2, '\0') + body;
}

QByteArray tag(int version, const QByteArray &frames)
{
    return QByteArray("ID3") + char(version) + QByteArray(2, '\0') +
           syncsafe(uint32_t(frames.size())) + frames;
}

TEST(Id3Frames, TitlesInEachTextEncoding)
{
    // v2.3: plain sizes; Latin-1 title, UTF-16 artist with a byte-order mark.
    const QByteArray utf16 = QByteArray("\x01\xff\xfe", 3) + QByteArray("B\0a\0n\0d\0", 8);
    const QByteArray v23 =
        tag(3, frame("TIT2", QByteArray("\0Caf\xe9", 5), false) + frame("TPE1", utf16, false));
    EXPECT_EQ(id3TagLength(v23), size_t(v23.size()));
    EXPECT_EQ(id3StreamTitle(v23), QString::fromUtf8("Band - Caf\u00e9"));
    // v2.4: syncsafe frame sizes, UTF-8, a title alone.
    const QByteArray v24 =
        tag(4, frame("TXXX", QByteArray(200, 'x'), true) + frame("TIT2", "\x03Nur Titel", true));
    EXPECT_EQ(id3StreamTitle(v24), "Nur Titel");
    // A frame larger than its tag ends the reading, not the program.
    QByteArray cut = v24;
    cut[10 + 7] = char(0x7f);
    EXPECT_TRUE(id3StreamTitle(cut).isNull());
    EXPECT_EQ(id3TagLength("no tag here"), 0u);
}

TEST(HlsSegmentReader, EachFormatGivesItsAudioAndTitles)
{
    // A transport stream with a timed ID3 stream beside the AAC.
    const SegmentAudio ts = readHlsSegment(seed("segment/ts_id3"), Mp4AudioTrack());
    ASSERT_TRUE(ts.recognised);
    EXPECT_EQ(ts.audio.size(), 1500);
    EXPECT_EQ(ts.audio.left(2), QByteArray("\xff\xf1"));
    ASSERT_EQ(ts.titles.size(), 1u);
    EXPECT_EQ(ts.titles[0].text, "TS Artist - Timed Song");
    EXPECT_EQ(ts.titles[0].position, 0);

    // Packed audio behind its ID3 tag.
    const SegmentAudio packed = readHlsSegment(seed("segment/packed_mp3"), Mp4AudioTrack());
    ASSERT_TRUE(packed.recognised);
    EXPECT_EQ(packed.audio.size(), 3000);
    ASSERT_EQ(packed.titles.size(), 1u);
    EXPECT_EQ(packed.titles[0].text, "ID3 Artist - Song 2");

    // Fragmented MP4: ADTS frames of the init section's track.
    const QByteArray mp4 = seed("mp4/fragment");
    ASSERT_GT(mp4.size(), 2);
    const int initLength = (uchar(mp4[0]) << 8) | uchar(mp4[1]);
    const Mp4AudioTrack track = readMp4Init(mp4.mid(2, initLength));
    ASSERT_TRUE(track.valid);
    EXPECT_EQ(track.objectType, 2);
    EXPECT_EQ(track.rateIndex, 4); // 44100 Hz
    EXPECT_EQ(track.channels, 2);
    const SegmentAudio fmp4 = readHlsSegment(mp4.mid(2 + initLength), track);
    ASSERT_TRUE(fmp4.recognised);
    EXPECT_EQ(fmp4.audio.left(2), QByteArray("\xff\xf1"));

    EXPECT_FALSE(readHlsSegment("<html>not audio</html>", Mp4AudioTrack()).recognised);
}

} // namespace
