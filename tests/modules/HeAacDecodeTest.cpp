// HE-AAC (SBR) and HE-AAC v2 (SBR + parametric stereo) in ADTS: the committed
// fixtures play at the full rate with the right tone, name their profile,
// and decode the same however the bytes are cut.
#include "DecodeRun.h"
#include "ModuleLoader.h"

#include <QFile>

#include <gtest/gtest.h>

#include <cmath>

namespace {

struct HeCase
{
    const char *file;
    const char *description;
    int rate;
    int channels;
    int tone;
};

const HeCase kCases[] = {
    {"he1_sine1000_44100_stereo.aac", "HE-AAC", 44100, 2, 1000},
    {"he2_sine1000_44100_stereo.aac", "HE-AAC v2", 44100, 2, 1000},
    {"he1_sine440_22050_mono.aac", "HE-AAC", 22050, 1, 440},
};

QByteArray heFixture(const HeCase &c)
{
    QFile f(QStringLiteral(WAVELARK_AAC_FIXTURES "/") + QLatin1String(c.file));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class HeAac : public ::testing::TestWithParam<HeCase>
{
protected:
    void SetUp() override
    {
        if (!moduleNames().contains(QStringLiteral("aac")))
            GTEST_SKIP() << "the aac module is not built";
    }
};

TEST_P(HeAac, PlaysAtTheFullRateWithItsProfileNamed)
{
    const HeCase &c = GetParam();
    const LoadedModule &m = loadModule(QStringLiteral("aac"));
    ASSERT_TRUE(m.ok());
    const QByteArray data = heFixture(c);
    ASSERT_FALSE(data.isEmpty()) << c.file;

    const DecodeOutcome whole = decodeAll(m, data, wholeFeed());
    ASSERT_FALSE(whole.error);
    ASSERT_FALSE(whole.changes.empty());
    const InfoSnapshot &info = whole.changes.back();
    EXPECT_EQ(info.description, c.description);
    EXPECT_EQ(info.rate, uint32_t(c.rate));
    EXPECT_EQ(info.channels, uint32_t(c.channels));
    // Two seconds of tone, give or take the encoder's delay and padding: up
    // to four SBR frames of 2048 samples.
    const long frames = long(whole.pcm.size()) / 2 / long(info.channels);
    EXPECT_LE(std::labs(frames - 2 * c.rate), 4 * 2048L) << frames << " frames";
    EXPECT_NEAR(toneFrequency(whole.pcm, int(info.channels), c.rate), c.tone, c.tone * 0.01);

    for (unsigned seed : {1u, 2u}) {
        const DecodeOutcome pieces = decodeAll(m, data, randomFeed(seed, 3000));
        EXPECT_FALSE(pieces.error);
        EXPECT_EQ(pieces.pcm, whole.pcm) << "seed " << seed;
    }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, HeAac, ::testing::ValuesIn(kCases), [](const auto &param) {
    QString name = QString::fromLatin1(param.param.file);
    return name.left(name.indexOf('.')).toStdString();
});

} // namespace
