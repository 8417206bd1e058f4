// The output side shared by all modules: choosing a device format, and
// converting channels, rate and sample format when the device lacks the
// stream's own.
#include "Output.h"
#include "DecodeRun.h"
#include "Downmix.h"
#include "Fixtures.h"
#include "Info.h"
#include "PcmConverter.h"
#include "Probe.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace wavelark::modules;

namespace {

constexpr uint32_t S16 = WAVELARK_AFMT_S16_LE, U8 = WAVELARK_AFMT_U8;

FormatTable table(std::vector<int> triples)
{
    return FormatTable::fromTriples(triples.data(), int(triples.size() / 3));
}

TEST(OutputChoice, PrefersTheStreamsOwnRateChannelsAndFormat)
{
    const FormatTable t = table({U8, 3, 22050, S16, 2, 44100, S16, 3, 48000, U8, 3, 44100});
    EXPECT_EQ(t.choose(44100, 2, S16), (PcmFormat{S16, 2, 44100}));
    EXPECT_EQ(t.choose(44100, 2, U8), (PcmFormat{U8, 2, 44100})) << "an 8-bit source stays 8-bit";
    // 44.1 kHz mono: the rate is kept, in 8-bit, rather than resampling.
    EXPECT_EQ(t.choose(44100, 1, S16), (PcmFormat{U8, 1, 44100}));
    // A rate the device lacks: the nearest higher one.
    EXPECT_EQ(t.choose(32000, 2, S16), (PcmFormat{S16, 2, 44100}));
    EXPECT_EQ(t.choose(96000, 1, S16), (PcmFormat{S16, 1, 48000}));
    EXPECT_EQ(FormatTable().choose(11025, 1, S16), (PcmFormat{S16, 1, 11025}))
        << "no table: no constraint";
    // Rows we cannot produce or that make no sense are ignored.
    const FormatTable odd =
        table({WAVELARK_AFMT_IMA_ADPCM, 3, 44100, S16, 0, 44100, S16, 1, 44100, S16, 3, -5});
    ASSERT_EQ(odd.rows().size(), 1u);
    EXPECT_EQ(odd.choose(44100, 2, S16), (PcmFormat{S16, 1, 44100}))
        << "stereo folded to the only mono row";
}

std::vector<int16_t> sine(int rate, int channels, double hz, int frames)
{
    std::vector<int16_t> s;
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            s.push_back(int16_t(std::lround(12000 * std::sin(2 * M_PI * hz * i / rate))));
    return s;
}

QByteArray convertInPieces(PcmConverter &conv, const std::vector<int16_t> &in, int channels,
                           size_t piece)
{
    QByteArray out;
    const size_t frames = in.size() / size_t(channels);
    for (size_t f = 0; f < frames; f += piece) {
        const auto bytes =
            conv.convert(in.data() + f * size_t(channels), std::min(piece, frames - f));
        out.append(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size()));
    }
    return out;
}

TEST(PcmConversion, ResamplingKeepsPitchLengthAndIsSplitIndependent)
{
    const auto in = sine(44100, 2, 1000, 44100);
    PcmConverter whole, pieces;
    whole.configure(44100, 2, {S16, 2, 48000});
    pieces.configure(44100, 2, {S16, 2, 48000});
    EXPECT_FALSE(whole.passthrough());
    const QByteArray a = convertInPieces(whole, in, 2, in.size());
    const QByteArray b = convertInPieces(pieces, in, 2, 777);
    EXPECT_EQ(a, b);
    EXPECT_NEAR(a.size() / 4, 48000, 2);
    EXPECT_NEAR(toneFrequency(a, 2, 48000), 1000, 5);

    PcmConverter down;
    down.configure(48000, 1, {S16, 1, 8000});
    const QByteArray d = convertInPieces(down, sine(48000, 1, 440, 48000), 1, 1000);
    EXPECT_NEAR(d.size() / 2, 8000, 2);
    EXPECT_NEAR(toneFrequency(d, 1, 8000), 440, 5);
}

TEST(PcmConversion, ChannelsAndSampleFormats)
{
    const std::vector<int16_t> stereo = {1000, 3000, -32768, 32767};
    PcmConverter c;
    c.configure(8000, 2, {S16, 1, 8000});
    auto out = c.convert(stereo.data(), 2);
    ASSERT_EQ(out.size(), 4u);
    EXPECT_EQ(int16_t(out[0] | out[1] << 8), 2000);
    EXPECT_EQ(int16_t(out[2] | out[3] << 8), 0);

    const std::vector<int16_t> mono = {0x1234, -2};
    c.configure(8000, 1, {WAVELARK_AFMT_S16_BE, 2, 8000});
    out = c.convert(mono.data(), 2);
    EXPECT_EQ(std::vector<uint8_t>(out.begin(), out.end()),
              (std::vector<uint8_t>{0x12, 0x34, 0x12, 0x34, 0xff, 0xfe, 0xff, 0xfe}));
    c.configure(8000, 1, {U8, 1, 8000});
    out = c.convert(mono.data(), 2);
    EXPECT_EQ(std::vector<uint8_t>(out.begin(), out.end()), (std::vector<uint8_t>{0x92, 0x7f}));
    c.configure(8000, 1, {WAVELARK_AFMT_S8, 1, 8000});
    out = c.convert(mono.data(), 2);
    EXPECT_EQ(std::vector<uint8_t>(out.begin(), out.end()), (std::vector<uint8_t>{0x12, 0xff}));
    c.configure(8000, 1, {WAVELARK_AFMT_U16_LE, 1, 8000});
    out = c.convert(mono.data(), 2);
    EXPECT_EQ(std::vector<uint8_t>(out.begin(), out.end()),
              (std::vector<uint8_t>{0x34, 0x92, 0xfe, 0x7f}));
}

TEST(PcmConversion, CompandingFollowsG711)
{
    EXPECT_EQ(linearToMuLaw(0), 0xFF);
    EXPECT_EQ(linearToMuLaw(32767), 0x80);
    EXPECT_EQ(linearToMuLaw(-32768), 0x00);
    EXPECT_EQ(linearToALaw(0), 0xD5);
    EXPECT_EQ(linearToALaw(32767), 0xAA);
    EXPECT_EQ(linearToALaw(-32768), 0x2A);
    // Louder positive samples never code to a smaller magnitude.
    int prevMu = -1;
    for (int s = 0; s < 32768; s += 97) {
        const int mag = 0x7f - (linearToMuLaw(int16_t(s)) & 0x7f);
        EXPECT_GE(mag, prevMu);
        prevMu = mag;
    }
}

TEST(Downmixing, SurroundFoldsIntoStereoWithoutClipping)
{
    Downmixer d;
    d.configure(speakerLayout(ChannelOrder::Vorbis, 6)); // L C R Ls Rs LFE
    EXPECT_EQ(d.outChannels(), 2);
    std::vector<std::vector<float>> planes(6, std::vector<float>(1, 0.f));
    planes[1][0] = 0.5f; // centre only
    planes[5][0] = 1.f;  // LFE is left out
    std::vector<const float *> p;
    for (auto &v : planes)
        p.push_back(v.data());
    int16_t out[2];
    d.planarFloat(p.data(), 1, out);
    EXPECT_EQ(out[0], out[1]);
    EXPECT_GT(out[0], 0);
    for (auto &v : planes)
        v[0] = 1.f; // everything at full scale
    d.planarFloat(p.data(), 1, out);
    EXPECT_LE(out[0], 32767);
    EXPECT_GT(out[0], 30000);
    EXPECT_EQ(speakerLayout(ChannelOrder::Flac, 3)[2], Speaker::Center);
    EXPECT_EQ(floatToS16(std::nanf("")), -32768);
    EXPECT_EQ(floatToS16(2.f), 32767);
}

TEST(ProbeHelpers, Id3v2LengthAndTags)
{
    const uint8_t tag[] = {'I', 'D', '3', 4, 0, 0x10, 0, 0, 0x02, 0x01};
    EXPECT_EQ(id3v2Length(tag, sizeof tag), 10u + 257u + 10u) << "syncsafe size plus footer";
    uint8_t bad[sizeof tag];
    std::copy(std::begin(tag), std::end(tag), bad);
    bad[8] = 0x80;
    EXPECT_EQ(id3v2Length(bad, sizeof bad), 0u);
    EXPECT_EQ(id3v2Length(tag, 9), 0u);

    Tags t;
    t.addComment("title=First");
    t.addComment("TITLE=Second");
    t.addComment("Artist=Someone");
    t.addComment("ALBUMARTIST=Nobody");
    t.addComment("no separator");
    EXPECT_EQ(t.title, "First");
    EXPECT_EQ(t.artist, "Someone");
    EXPECT_FALSE(t.album);
}

TEST(DeviceTables, ModulesConvertWhenTheDeviceLacksTheStreamsFormat)
{
    struct Case
    {
        QString codec;
        std::vector<int> table;
        PcmFormat want;
    };
    const std::vector<Case> cases = {
        {"wav", {int(S16), 2, 48000}, {S16, 2, 48000}},
        {"mp3", {int(U8), 1, 22050, int(U8), 1, 11025}, {U8, 1, 22050}},
        {"vorbis", {int(S16), 1, 44100}, {S16, 1, 44100}},
        {"opus",
         {int(S16), 3, 24000, int(S16), 3, 44100},
         {S16, 2, 24000}}, // libopus decodes at 24 kHz
        {"flac", {int(WAVELARK_AFMT_S16_BE), 2, 32000}, {WAVELARK_AFMT_S16_BE, 2, 32000}},
        {"aac", {int(S16), 2, 48000}, {S16, 2, 48000}},
    };
    for (const Case &c : cases) {
        if (!moduleNames().contains(c.codec))
            continue;
        const FixtureRecipe recipe = standardFixtures(c.codec)[0]; // 44.1 kHz stereo, 1 kHz
        const DecodeOutcome out =
            decodeAll(loadModule(c.codec), fixture(recipe), randomFeed(1, 5000), c.table);
        ASSERT_FALSE(out.changes.empty()) << c.codec.toStdString();
        const InfoSnapshot &info = out.changes.back();
        EXPECT_EQ(info.format, c.want.afmt) << c.codec.toStdString();
        EXPECT_EQ(info.channels, uint32_t(c.want.channels)) << c.codec.toStdString();
        EXPECT_EQ(info.rate, uint32_t(c.want.rate)) << c.codec.toStdString();
        const int sampleBytes = c.want.afmt == U8 ? 1 : 2;
        const double frames = double(out.pcm.size()) / sampleBytes / c.want.channels;
        EXPECT_NEAR(frames / c.want.rate, recipe.seconds, 0.1) << c.codec.toStdString();
        if (c.want.afmt == S16) {
            EXPECT_NEAR(toneFrequency(out.pcm, c.want.channels, c.want.rate), 1000, 10) << c.codec;
        }
    }
}

} // namespace
