// The MP3 module's own ID3v2 reader: versions, text encodings,
// unsynchronisation, and tags found across feed boundaries.
#include "Id3Tags.h"

#include <gtest/gtest.h>

#include <string>

using namespace wavelark::modules;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes frame(int version, const std::string &id, const Bytes &payload)
{
    Bytes f(id.begin(), id.end());
    const size_t n = payload.size();
    if (version == 2) {
        f.insert(f.end(), {uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n)});
    } else if (version == 3) {
        f.insert(f.end(), {uint8_t(n >> 24), uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n), 0, 0});
    } else {
        f.insert(f.end(), {uint8_t(n >> 21 & 0x7f), uint8_t(n >> 14 & 0x7f), uint8_t(n >> 7 & 0x7f),
                           uint8_t(n & 0x7f), 0, 0});
    }
    f.insert(f.end(), payload.begin(), payload.end());
    return f;
}

Bytes tag(int version, const Bytes &frames, uint8_t flags = 0)
{
    const size_t n = frames.size() + 16; // with padding
    Bytes t = {'I',
               'D',
               '3',
               uint8_t(version),
               0,
               flags,
               uint8_t(n >> 21 & 0x7f),
               uint8_t(n >> 14 & 0x7f),
               uint8_t(n >> 7 & 0x7f),
               uint8_t(n & 0x7f)};
    t.insert(t.end(), frames.begin(), frames.end());
    t.resize(t.size() + 16, 0);
    return t;
}

TEST(Id3Reader, VersionsAndEncodings)
{
    Bytes frames = frame(3, "TIT2", {1, 0xFF, 0xFE, 'T', 0, 0xEF, 0, 't', 0}); // UTF-16 LE with BOM
    const Bytes artist = frame(3, "TPE1", {0, 'A', 0xC4, 'x'});                // Latin-1
    const Bytes album = frame(3, "TALB", {3, 'A', 'l', 0xC3, 0xBC});           // UTF-8
    frames.insert(frames.end(), artist.begin(), artist.end());
    frames.insert(frames.end(), album.begin(), album.end());
    Tags t;
    const Bytes v3 = tag(3, frames);
    ASSERT_TRUE(mp3::parseId3v2(v3.data(), v3.size(), t));
    EXPECT_EQ(t.title, "T\xC3\xAFt");
    EXPECT_EQ(t.artist, "A\xC3\x84x");
    EXPECT_EQ(t.album, "Al\xC3\xBC");

    const Bytes v2 =
        tag(2, frame(2, "TT2", {2, 0, 'O', 0xD8, 0x3D, 0xDE, 0x00})); // UTF-16 BE, surrogate pair
    ASSERT_TRUE(mp3::parseId3v2(v2.data(), v2.size(), t));
    EXPECT_EQ(t.title, "O\xF0\x9F\x98\x80");

    const Bytes v4 = tag(4, frame(4, "TPE1", {3, 'Z', 0, 'j', 'u', 'n', 'k'}));
    ASSERT_TRUE(mp3::parseId3v2(v4.data(), v4.size(), t));
    EXPECT_EQ(t.artist, "Z") << "text ends at its terminator";

    // A frame that claims more than the tag holds ends the walk safely.
    Bytes broken = tag(3, frame(3, "TIT2", {0, 'x'}));
    broken[10 + 7] = 0x7f;
    EXPECT_FALSE(mp3::parseId3v2(broken.data(), broken.size(), t));
}

TEST(Id3Reader, UnsynchronisedTag)
{
    Bytes t = tag(3, frame(3, "TIT2", {0, 0xFF, 0x00, 'a'}), 0x80);
    Tags out;
    ASSERT_TRUE(mp3::parseId3v2(t.data(), t.size(), out));
    ASSERT_TRUE(out.title);
    EXPECT_EQ(*out.title, std::string("\xC3\xBF"
                                      "a"))
        << "FF 00 reads as FF";
}

TEST(Id3Reader, ScannerFindsTagsSplitAcrossFeedsAtTheirPositions)
{
    const Bytes first = tag(4, frame(4, "TIT2", {3, 'O', 'n', 'e'}));
    const Bytes second = tag(3, frame(3, "TIT2", {0, 'T', 'w', 'o'}));
    Bytes stream(first);
    stream.insert(stream.end(), 500, 0x55); // audio between the tags
    const size_t secondAt = stream.size();
    stream.insert(stream.end(), second.begin(), second.end());
    stream.insert(stream.end(), 100, 0x55);
    for (size_t piece : {size_t(1), size_t(3), size_t(7), size_t(64), stream.size()}) {
        mp3::Id3Scanner scanner;
        std::vector<mp3::FoundTags> found;
        for (size_t pos = 0; pos < stream.size(); pos += piece)
            scanner.scan(stream.data() + pos, std::min(piece, stream.size() - pos), pos, found);
        ASSERT_EQ(found.size(), 2u) << "piece " << piece;
        EXPECT_EQ(found[0].offset, 0u);
        EXPECT_EQ(found[0].tags.title, "One");
        EXPECT_EQ(found[1].offset, secondAt);
        EXPECT_EQ(found[1].tags.title, "Two");
    }
}

} // namespace
