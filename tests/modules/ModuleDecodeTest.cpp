// Each module on its 44.1 kHz stereo, 22.05 kHz mono and 48 kHz stereo
// fixtures: the stream's format comes out, the tone is right, the length
// matches the encoder input, and the way the bytes are cut up changes nothing.
#include "DecodeRun.h"
#include "Fixtures.h"
#include "ModuleLoader.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

struct Case
{
    QString codec;
    FixtureRecipe recipe;
};

std::vector<Case> allCases()
{
    std::vector<Case> cases;
    for (const QString &m : moduleNames())
        for (const FixtureRecipe &s : standardFixtures(m))
            cases.push_back({m, s});
    return cases;
}

// Frames of codec delay and padding a decoder may add or trim.
int paddingFrames(const QString &codec)
{
    if (codec == "wav" || codec == "flac")
        return 0;
    return 4096;
}

class ModuleDecode : public ::testing::TestWithParam<Case>
{};

TEST_P(ModuleDecode, ReportsFormatToneLengthAndTags)
{
    const Case &c = GetParam();
    const LoadedModule &m = loadModule(c.codec);
    ASSERT_TRUE(m.ok());
    const QByteArray data = fixture(c.recipe);
    ASSERT_FALSE(data.isEmpty());

    const DecodeOutcome whole = decodeAll(m, data, wholeFeed());
    ASSERT_FALSE(whole.error);
    ASSERT_FALSE(whole.changes.empty()) << "the first frame reports result 1";
    EXPECT_EQ(whole.changes.front().atByte, 0u);
    const InfoSnapshot &info = whole.changes.back();
    const int outRate = c.codec == "opus" ? 48000 : c.recipe.rate;
    EXPECT_EQ(info.flags & WAVELARK_INFO_FORMAT_VALID, 1u);
    EXPECT_EQ(info.rate, uint32_t(outRate));
    EXPECT_EQ(info.channels, uint32_t(c.recipe.channels));
    EXPECT_EQ(info.format, WAVELARK_AFMT_S16_LE);
    EXPECT_GT(info.bitrate, 0u);
    EXPECT_FALSE(info.description.empty());
    if (c.recipe.channels == 1) {
        EXPECT_EQ(info.mode, WAVELARK_MODE_MONO);
    }
    if (c.codec != "aac" && c.codec != "wav") {
        EXPECT_EQ(info.title, c.recipe.id().toStdString());
        EXPECT_EQ(info.artist, "Wavelark Tests");
        EXPECT_EQ(info.album, "Fixtures");
    }

    const long frames = long(whole.pcm.size()) / 2 / c.recipe.channels;
    const long expected = std::lround(c.recipe.seconds * outRate);
    EXPECT_LE(std::labs(frames - expected), paddingFrames(c.codec) * outRate / c.recipe.rate)
        << frames << " frames decoded, " << expected << " encoded";
    EXPECT_NEAR(toneFrequency(whole.pcm, c.recipe.channels, outRate), c.recipe.tone,
                c.recipe.tone * 0.01);
    if (c.codec == "wav" || c.codec == "flac") {
        EXPECT_EQ(whole.pcm, sourcePcm(c.recipe)) << "lossless formats give back the input";
    }
}

TEST_P(ModuleDecode, PiecesGiveTheSamePcmAsTheWhole)
{
    const Case &c = GetParam();
    const LoadedModule &m = loadModule(c.codec);
    ASSERT_TRUE(m.ok());
    const QByteArray data = fixture(c.recipe);
    const DecodeOutcome whole = decodeAll(m, data, wholeFeed());
    ASSERT_FALSE(whole.pcm.isEmpty());
    for (unsigned seed : {1u, 2u, 3u}) {
        const DecodeOutcome pieces = decodeAll(m, data, randomFeed(seed, 4000));
        EXPECT_FALSE(pieces.error);
        EXPECT_EQ(pieces.pcm, whole.pcm) << "seed " << seed;
        EXPECT_EQ(pieces.changes.size(), whole.changes.size());
    }
    // One byte at a time, on a short prefix to keep the run quick.
    const QByteArray prefix = data.left(24000);
    const DecodeOutcome bytewise = decodeAll(m, prefix, fixedFeed(1));
    const DecodeOutcome prefixWhole = decodeAll(m, prefix, wholeFeed());
    EXPECT_FALSE(bytewise.error);
    EXPECT_GT(bytewise.pcm.size(), 0);
    EXPECT_EQ(bytewise.pcm, prefixWhole.pcm);
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, ModuleDecode, ::testing::ValuesIn(allCases()), [](const auto &param) {
        return QString(param.param.recipe.id()).replace('-', '_').toStdString();
    });

} // namespace
