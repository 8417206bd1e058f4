// The WAV-file backend, checked by reading back what it wrote.

#include "WavBackend.h"
#include "AudioSamples.h"
#include "TempHome.h"
#include "WavReader.h"

#include <wavelark/decoder.h>

#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

using wavelark::WavBackend;

namespace {

constexpr int kS16 = WAVELARK_AFMT_S16_LE;
constexpr int kU8 = WAVELARK_AFMT_U8;

class WavBackendTest : public ::testing::Test
{
protected:
    void SetUp() override { wavelark::fillAudioOps(ops, backend); }

    WavFile readBack(const QString &suffix = {}) const
    {
        const WavFile w = readWav(readAllBytes(path + suffix));
        EXPECT_TRUE(w.ok) << w.problem.toStdString();
        return w;
    }
    void play(int channels, int rate, int format, const QByteArray &bytes)
    {
        ASSERT_EQ(ops.open(ops.userData), 0);
        ops.setFormat(ops.userData, channels, rate, format);
        ASSERT_EQ(ops.write(ops.userData, bytes.constData(), size_t(bytes.size())), bytes.size());
        ASSERT_EQ(ops.close(ops.userData), 0);
    }

    TempHome home;
    QString path = home.file("out.wav");
    WavBackend backend{path.toStdString()};
    AudioOps ops;
};

QByteArray s16(std::initializer_list<int16_t> samples)
{
    QByteArray out;
    for (int16_t s : samples) {
        out.append(char(s & 0xFF));
        out.append(char((s >> 8) & 0xFF));
    }
    return out;
}

} // namespace

TEST_F(WavBackendTest, WritesHeaderFieldsAndSamplesOfTheFormatSet)
{
    const QByteArray pcm = s16({1, -1, 300, -300, 32767, -32768});
    play(1, 22050, kS16, pcm);
    const WavFile w = readBack();
    EXPECT_EQ(w.formatTag, 1);
    EXPECT_EQ(w.channels, 1);
    EXPECT_EQ(w.rate, 22050u);
    EXPECT_EQ(w.bits, 16);
    EXPECT_EQ(w.byteRate, 44100u);
    EXPECT_EQ(w.dataSize, 12u);
    EXPECT_EQ(w.data, pcm);
}

TEST_F(WavBackendTest, HeaderIsCorrectAfterEveryFlushWhileOpen)
{
    ASSERT_EQ(ops.open(ops.userData), 0);
    ops.setFormat(ops.userData, 2, 48000, kS16);
    EXPECT_EQ(readBack().dataSize, 0u);
    const QByteArray frames = s16({10, 20, 30, 40});
    ops.write(ops.userData, frames.constData(), 8);
    EXPECT_EQ(ops.flush(ops.userData, false), 0);
    EXPECT_EQ(readBack().data, frames);
    ops.write(ops.userData, frames.constData(), 8);
    EXPECT_EQ(ops.flush(ops.userData, true), 0);
    EXPECT_EQ(readBack().data, frames + frames);
    EXPECT_EQ(readBack().channels, 2);
}

TEST_F(WavBackendTest, GainScalesLinearlyWith100Unchanged)
{
    const QByteArray pcm = s16({1000, -1000, 32767, -32768, 7});
    ops.setVolume(ops.userData, 100);
    play(1, 8000, kS16, pcm);
    EXPECT_EQ(readBack().data, pcm);

    ops.setVolume(ops.userData, 45);
    EXPECT_EQ(ops.getVolume(ops.userData), 45);
    play(1, 8000, kS16, pcm);
    EXPECT_EQ(readBack().data.mid(pcm.size()), s16({450, -450, 14745, -14745, 3}));

    ops.setVolume(ops.userData, 0);
    play(1, 8000, kS16, pcm);
    EXPECT_EQ(readBack().data.mid(2 * pcm.size()), QByteArray(pcm.size(), '\0'));
}

// Every 16-bit sample at every level: v * level / 100, truncated toward
// zero, whatever loop computes it.
TEST(SoftwareGainTest, SixteenBitSamplesScaleExactlyAtEveryLevel)
{
    std::vector<uint8_t> in;
    for (int v = -32768; v <= 32767; ++v) {
        in.push_back(uint8_t(v & 0xFF));
        in.push_back(uint8_t((v >> 8) & 0xFF));
    }
    std::vector<uint8_t> out;
    for (int level = 0; level <= 100; ++level) {
        wavelark::convertSamples(kS16, level, in.data(), in.size(), out);
        ASSERT_EQ(out.size(), in.size());
        int wrong = 0;
        for (int v = -32768; v <= 32767; ++v) {
            const size_t i = size_t(v + 32768) * 2;
            const auto got = int16_t(out[i] | (out[i + 1] << 8));
            wrong += got != int16_t(v * level / 100);
        }
        EXPECT_EQ(wrong, 0) << "level " << level;
    }
}

TEST_F(WavBackendTest, GainOnUnsignedSamplesScalesAroundTheMiddle)
{
    const QByteArray pcm("\x80\xe4\x1c\xff", 4); // 0, +100, -100, +127
    ops.setVolume(ops.userData, 45);
    play(1, 8000, kU8, pcm);
    EXPECT_EQ(readBack().data, QByteArray("\x80\xad\x53\xb9", 4)); // 0, +45, -45, +57
    EXPECT_EQ(readBack().bits, 8);

    ops.setVolume(ops.userData, 0);
    play(1, 8000, kU8, pcm);
    EXPECT_EQ(readBack().data.mid(4), QByteArray(4, '\x80'));
}

TEST_F(WavBackendTest, LaterOpensAppendWhileTheFormatStaysAndSplitWhenItChanges)
{
    const QByteArray a = s16({1, 2}), b = s16({3, 4}), c = s16({5, 6, 7, 8}), d = s16({9, 10});
    play(2, 44100, kS16, a);
    play(2, 44100, kS16, b);
    EXPECT_EQ(readBack().data, a + b);
    EXPECT_FALSE(QFileInfo::exists(path + ".1"));

    play(1, 22050, kS16, c); // new format: a new file
    ASSERT_EQ(ops.open(ops.userData), 0);
    ops.setFormat(ops.userData, 2, 44100, kS16); // and back again: another new file
    ops.write(ops.userData, d.constData(), size_t(d.size()));
    ops.close(ops.userData);

    EXPECT_EQ(readBack().data, a + b) << "first file untouched";
    const WavFile one = readBack(".1"), two = readBack(".2");
    EXPECT_EQ(one.rate, 22050u);
    EXPECT_EQ(one.channels, 1);
    EXPECT_EQ(one.data, c);
    EXPECT_EQ(two.rate, 44100u);
    EXPECT_EQ(two.data, d);
    EXPECT_EQ(QString::fromStdString(backend.currentPath()), path + ".2");
}

TEST_F(WavBackendTest, FormatSetBeforeAnyAudioRewritesTheFileInsteadOfSplitting)
{
    ASSERT_EQ(ops.open(ops.userData), 0);
    ops.setFormat(ops.userData, 2, 44100, kS16);
    ops.setFormat(ops.userData, 1, 16000, kU8);
    ops.write(ops.userData, "\x90\x70", 2);
    ops.close(ops.userData);
    EXPECT_EQ(readBack().rate, 16000u);
    EXPECT_EQ(readBack().bits, 8);
    EXPECT_FALSE(QFileInfo::exists(path + ".1"));
}

TEST_F(WavBackendTest, FirstOpenInTheProcessReplacesAnOldFile)
{
    home.write("out.wav", QByteArray(5000, 'x'));
    ASSERT_EQ(ops.open(ops.userData), 0);
    ops.close(ops.userData);
    EXPECT_EQ(readBack().dataSize, 0u);
}

TEST_F(WavBackendTest, OddSizedEightBitDataIsPaddedAndAppendedCleanly)
{
    play(1, 8000, kU8, QByteArray("\x81\x82\x83", 3));
    EXPECT_EQ(readBack().riffSize, 36u + 3 + 1);
    play(1, 8000, kU8, QByteArray("\x84\x85", 2));
    EXPECT_EQ(readBack().data, QByteArray("\x81\x82\x83\x84\x85", 5));
}

TEST_F(WavBackendTest, PartialFramesAreNotWritten)
{
    ASSERT_EQ(ops.open(ops.userData), 0);
    ops.setFormat(ops.userData, 2, 8000, kS16);
    EXPECT_EQ(ops.write(ops.userData, "\1\0\2\0\3", 5), 5);
    ops.close(ops.userData);
    EXPECT_EQ(readBack().data, s16({1, 2}));
}

TEST_F(WavBackendTest, ClosedDeviceRefusesWritesAndFlushes)
{
    EXPECT_EQ(ops.close(ops.userData), -1);
    errno = 0;
    EXPECT_EQ(ops.write(ops.userData, "\0\0\0\0", 4), -1);
    EXPECT_EQ(errno, EBADF);
    EXPECT_EQ(ops.flush(ops.userData, true), -1);
    EXPECT_EQ(ops.setFormat(ops.userData, 1, 8000, kU8), 0);
    ASSERT_EQ(ops.open(ops.userData), 0);
    EXPECT_EQ(ops.close(ops.userData), 0);
    EXPECT_EQ(ops.close(ops.userData), -1);
    EXPECT_EQ(readBack().bits, 16) << "a format set while closed is ignored";
}

TEST_F(WavBackendTest, UnwritablePathReturnsErrnoWithMessage)
{
    const std::string bad = home.file("missing/dir/out.wav").toStdString();
    WavBackend broken(bad);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(broken.open(), ENOENT);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), bad + ": " + std::strerror(ENOENT) + "\n");
    EXPECT_EQ(broken.close(), -1);
}

// Formats WAVE has no code for are stored as the linear PCM they stand for.
TEST_F(WavBackendTest, OtherFormatsAreStoredAsLinearPcm)
{
    struct Case
    {
        int format;
        QByteArray in;
        int bits;
        QByteArray stored;
    } cases[] = {
        {WAVELARK_AFMT_S8, QByteArray("\x00\x7f\x80", 3), 8, QByteArray("\x80\xff\x00", 3)},
        {WAVELARK_AFMT_U16_LE, QByteArray("\x00\x80\xff\xff\x00\x00", 6), 16,
         s16({0, 32767, -32768})},
        {WAVELARK_AFMT_S16_BE, QByteArray("\x01\x02\xff\xfe", 4), 16, s16({0x0102, -2})},
        {WAVELARK_AFMT_MU_LAW, QByteArray("\xff\x80\x00", 3), 16, s16({0, 32124, -32124})},
        {WAVELARK_AFMT_A_LAW, QByteArray("\xd5\x55\xaa\x2a", 4), 16, s16({8, -8, 32256, -32256})},
    };
    int file = 0;
    for (const Case &c : cases) {
        play(1, 8000, c.format, c.in);
        const WavFile w = readBack(file ? "." + QString::number(file) : QString());
        EXPECT_EQ(w.bits, c.bits) << "format " << c.format;
        EXPECT_EQ(w.data, c.stored) << "format " << c.format;
        ++file;
    }
}
