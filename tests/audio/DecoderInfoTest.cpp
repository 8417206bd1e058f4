// The decoder information record as modules see it: fields at the documented
// offsets (pointers scaled to this machine's width), and the channel words.

#include <wavelark/decoder.h>

#include <gtest/gtest.h>

#include <cstring>

namespace {

constexpr size_t P = sizeof(void *);

// The documented 32-bit offsets with every pointer widened to this machine's.
struct Offsets
{
    size_t title = 0, artist = P, album = 2 * P;
    size_t rate = 3 * P, reserved = 3 * P + 4, bitrate = 3 * P + 8, channels = 3 * P + 12;
    size_t mode = 3 * P + 16, format = 3 * P + 20, description = 3 * P + 24, flags = 3 * P + 152;
};

template <typename T>
void put(unsigned char *record, size_t at, T value)
{
    std::memcpy(record + at, &value, sizeof value);
}
template <typename T>
T get(const unsigned char *record, size_t at)
{
    T value;
    std::memcpy(&value, record + at, sizeof value);
    return value;
}

} // namespace

TEST(DecoderInfo, RecordBuiltFromRawBytesReadsBackThroughTheStruct)
{
    const Offsets o;
    static const char title[] = "T", artist[] = "A";
    alignas(DecoderInfo) unsigned char raw[sizeof(DecoderInfo)];
    std::memset(raw, 0xEE, sizeof raw);
    put(raw, o.title, title);
    put(raw, o.artist, artist);
    put<const char *>(raw, o.album, nullptr);
    put<uint32_t>(raw, o.rate, 44100);
    put<uint32_t>(raw, o.reserved, 0xDEADBEEF);
    put<uint32_t>(raw, o.bitrate, 128);
    put<uint32_t>(raw, o.channels, 2);
    put<uint32_t>(raw, o.mode, WAVELARK_MODE_JOINT_STEREO);
    put<uint32_t>(raw, o.format, WAVELARK_AFMT_S16_LE);
    std::memset(raw + o.description, 0, WAVELARK_INFO_DESCRIPTION_SIZE);
    std::memcpy(raw + o.description, "MPEG 1 Layer III", 17);
    raw[o.description + WAVELARK_INFO_DESCRIPTION_SIZE - 1] = 'Z';
    put<uint32_t>(raw, o.flags, WAVELARK_INFO_FORMAT_VALID);

    DecoderInfo info;
    std::memcpy(&info, raw, sizeof info);
    EXPECT_EQ(info.title, title);
    EXPECT_EQ(info.artist, artist);
    EXPECT_EQ(info.album, nullptr);
    EXPECT_EQ(info.rate, 44100u);
    EXPECT_EQ(info.reserved, 0xDEADBEEFu);
    EXPECT_EQ(info.bitrate, 128u);
    EXPECT_EQ(info.channels, 2u);
    EXPECT_EQ(info.mode, WAVELARK_MODE_JOINT_STEREO);
    EXPECT_EQ(info.format, WAVELARK_AFMT_S16_LE);
    EXPECT_STREQ(info.description, "MPEG 1 Layer III");
    EXPECT_EQ(info.description[WAVELARK_INFO_DESCRIPTION_SIZE - 1], 'Z')
        << "description is 128 bytes";
    EXPECT_EQ(info.flags, WAVELARK_INFO_FORMAT_VALID);
}

TEST(DecoderInfo, StructWritesLandAtTheDocumentedOffsets)
{
    const Offsets o;
    DecoderInfo info;
    std::memset(&info, 0, sizeof info);
    info.rate = 1;
    info.bitrate = 3;
    info.channels = 4;
    info.mode = 5;
    info.format = 6;
    info.flags = 7;
    info.description[0] = 'd';
    unsigned char raw[sizeof info];
    std::memcpy(raw, &info, sizeof info);
    EXPECT_EQ(get<uint32_t>(raw, o.rate), 1u);
    EXPECT_EQ(get<uint32_t>(raw, o.bitrate), 3u);
    EXPECT_EQ(get<uint32_t>(raw, o.channels), 4u);
    EXPECT_EQ(get<uint32_t>(raw, o.mode), 5u);
    EXPECT_EQ(get<uint32_t>(raw, o.format), 6u);
    EXPECT_EQ(raw[o.description], 'd');
    EXPECT_EQ(get<uint32_t>(raw, o.flags), 7u);
    EXPECT_GE(sizeof(DecoderInfo), o.flags + 4);
    EXPECT_LE(sizeof(DecoderInfo), o.flags + 4 + P)
        << "no more than the tail padding of pointer alignment";
}

TEST(DecoderInfo, ChannelModeWords)
{
    EXPECT_STREQ(wavelark_channel_mode_name(0), "Stereo");
    EXPECT_STREQ(wavelark_channel_mode_name(1), "Joint Stereo");
    EXPECT_STREQ(wavelark_channel_mode_name(2), "Dual");
    EXPECT_STREQ(wavelark_channel_mode_name(3), "Mono");
    EXPECT_STREQ(wavelark_channel_mode_name(4), "");
    EXPECT_STREQ(wavelark_channel_mode_name(0xFFFFFFFFu), "");
}
