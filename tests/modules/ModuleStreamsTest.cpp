// Streams as they arrive from real stations and damaged files: format
// changes and chained songs in the middle, corruption, truncation, garbage.
#include "DecodeRun.h"
#include "Fixtures.h"
#include "ModuleLoader.h"

#include <gtest/gtest.h>

#include <random>

namespace {

bool have(const QString &name)
{
    return moduleNames().contains(name);
}

FixtureRecipe recipe(const QString &codec, int rate, int channels, int tone)
{
    return {codec, rate, channels, tone, 1.0};
}

// Two songs back to back: 44.1 kHz stereo "First", then 22.05 kHz mono "Second".
QByteArray twoSongs(const QString &codec)
{
    return fixture(recipe(codec, 44100, 2, 1000), "First") +
           fixture(recipe(codec, 22050, 1, 440), "Second");
}

TEST(ModuleStreams, FormatChangeInTheMiddleIsReportedWithTheNewFormat)
{
    // A station that plays a 22.05 kHz mono item between 44.1 kHz stereo
    // ones; Ogg and FLAC change song by chaining a new stream.
    for (const char *name : {"mp3", "aac", "vorbis", "opus", "flac"}) {
        const QString codec = name;
        if (!have(codec))
            continue;
        QByteArray data = codec == "aac" ? fixture(standardFixtures("aac")[0]) +
                                               fixture(standardFixtures("aac")[1])
                                         : twoSongs(codec);
        const DecodeOutcome out = decodeAll(loadModule(codec), data, randomFeed(11, 6000));
        EXPECT_FALSE(out.error) << codec;
        ASSERT_GE(out.changes.size(), 2u) << codec;
        const InfoSnapshot &first = out.changes.front(), &last = out.changes.back();
        EXPECT_EQ(first.channels, 2u) << codec;
        EXPECT_EQ(last.channels, 1u) << codec;
        EXPECT_EQ(last.rate, codec == "opus" ? 48000u : 22050u) << codec;
        EXPECT_GT(last.atByte, 0u) << codec;
        EXPECT_LT(last.atByte, size_t(out.pcm.size())) << codec << ": audio follows the change";
        if (codec != "aac") {
            EXPECT_EQ(first.title, "First") << codec;
            EXPECT_EQ(last.title, "Second") << codec;
        }
    }
}

TEST(ModuleStreams, ChainedSongOfTheSameFormatReportsItsTags)
{
    for (const char *name : {"vorbis", "opus", "flac"}) {
        const QString codec = name;
        if (!have(codec))
            continue;
        const FixtureRecipe s = recipe(codec, 44100, 2, 1000);
        const QByteArray data = fixture(s, "Song A") + fixture(s, "Song B");
        const DecodeOutcome out = decodeAll(loadModule(codec), data, wholeFeed());
        EXPECT_FALSE(out.error) << codec;
        ASSERT_EQ(out.changes.size(), 2u) << codec;
        EXPECT_EQ(out.changes[0].title, "Song A");
        EXPECT_EQ(out.changes[1].title, "Song B");
        EXPECT_EQ(out.changes[1].artist, "Wavelark Tests");
        EXPECT_NEAR(double(out.changes[1].atByte), out.pcm.size() / 2.0, out.pcm.size() * 0.05)
            << codec;
    }
}

TEST(ModuleStreams, CorruptFramesInTheMiddleAreSkipped)
{
    for (const QString &codec : moduleNames()) {
        // Six seconds, so that an Ogg stream has pages to spare.
        const FixtureRecipe s = {codec, 44100, 2, 1000, codec == "aac" ? 2.0 : 6.0};
        const QByteArray clean = fixture(s);
        const DecodeOutcome whole = decodeAll(loadModule(codec), clean, wholeFeed());
        ASSERT_FALSE(whole.changes.empty()) << codec;
        QByteArray damaged = clean;
        std::mt19937 rng(5);
        for (int i = 0; i < 300; ++i)
            damaged[damaged.size() * 2 / 3 + i] = char(rng());
        const DecodeOutcome out = decodeAll(loadModule(codec), damaged, randomFeed(3, 5000));
        EXPECT_FALSE(out.error) << codec;
        // An Ogg page lost to a bad checksum can hold a second of audio.
        EXPECT_GT(out.pcm.size(), whole.pcm.size() * 6 / 10) << codec;
        EXPECT_EQ(out.pcm.left(whole.pcm.size() / 3), whole.pcm.left(whole.pcm.size() / 3))
            << codec;
        // Decoding has recovered: the end is the tone again, and for the
        // lossless formats exactly what the clean stream gives.
        const qsizetype tail = whole.pcm.size() / 6;
        EXPECT_NEAR(toneFrequency(out.pcm.right(tail), 2, int(whole.changes[0].rate)), 1000, 20)
            << codec;
        if (codec == "wav" || codec == "flac") {
            EXPECT_EQ(out.pcm.right(tail), whole.pcm.right(tail)) << codec;
        }
    }
}

TEST(ModuleStreams, TruncatedStreamsDecodeWhatIsThere)
{
    for (const QString &codec : moduleNames()) {
        const QByteArray clean = fixture(standardFixtures(codec)[2]);
        const DecodeOutcome whole = decodeAll(loadModule(codec), clean, wholeFeed());
        const DecodeOutcome cut = decodeAll(
            loadModule(codec), clean.left(clean.size() * 17 / 20 + 17), randomFeed(9, 3000));
        EXPECT_FALSE(cut.error) << codec;
        EXPECT_FALSE(cut.ended) << codec << ": a cut stream is not at its end";
        // Ogg pages (up to a second each) decode only when complete.
        EXPECT_GT(cut.pcm.size(), whole.pcm.size() * 4 / 10) << codec;
        EXPECT_EQ(cut.pcm, whole.pcm.left(cut.pcm.size())) << codec;
    }
}

TEST(ModuleStreams, GarbageAfterTheStreamNeitherHangsNorGrows)
{
    for (const QString &codec : moduleNames()) {
        const QByteArray clean = fixture(standardFixtures(codec)[1]);
        const DecodeOutcome whole = decodeAll(loadModule(codec), clean, wholeFeed());
        QByteArray data = clean;
        std::mt19937 rng(17);
        for (int i = 0; i < 300 * 1024; ++i)
            data.append(char(rng()));
        const DecodeOutcome out = decodeAll(loadModule(codec), data, fixedFeed(32 * 1024));
        EXPECT_EQ(out.feedErrors, 0) << codec << ": garbage is consumed, not hoarded";
        EXPECT_GE(out.pcm.size(), whole.pcm.size() * 9 / 10) << codec;
        EXPECT_EQ(out.pcm.left(whole.pcm.size() * 9 / 10),
                  whole.pcm.left(whole.pcm.size() * 9 / 10))
            << codec;
    }
}

TEST(ModuleStreams, JoinedMidStreamFramedFormatsStartAtTheNextFrame)
{
    for (const char *name : {"mp3", "aac", "flac"}) {
        const QString codec = name;
        if (!have(codec))
            continue;
        const QByteArray data = fixture(standardFixtures(codec)[0]);
        const DecodeOutcome out =
            decodeAll(loadModule(codec), data.mid(data.size() / 3 + 5), randomFeed(4, 2000));
        EXPECT_FALSE(out.error) << codec;
        ASSERT_FALSE(out.changes.empty()) << codec;
        EXPECT_EQ(out.changes[0].rate, 44100u) << codec;
        EXPECT_EQ(out.changes[0].channels, 2u) << codec;
        EXPECT_NEAR(toneFrequency(out.pcm, 2, 44100), 1000, 10) << codec;
    }
}

TEST(ModuleStreams, FormatsThatKnowTheirLengthReportTheEnd)
{
    for (const char *name : {"wav", "flac"}) {
        const QString codec = name;
        if (!have(codec))
            continue;
        const QByteArray data =
            fixture(standardFixtures(codec)[0]) + QByteArray("TAG").repeated(40);
        const DecodeOutcome out = decodeAll(loadModule(codec), data, randomFeed(2, 4000));
        EXPECT_TRUE(out.ended) << codec << ": 0 with length 0 after the last sample";
        EXPECT_EQ(out.pcm, sourcePcm(standardFixtures(codec)[0])) << codec;
    }
}

} // namespace
