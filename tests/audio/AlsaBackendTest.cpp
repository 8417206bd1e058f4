// The ALSA backend on devices that need no sound hardware: ALSA's "null"
// sink, and its "file" sink to read back what was played.

#include "AlsaBackend.h"
#include "TempHome.h"

#include <wavelark/decoder.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

using wavelark::AlsaBackend;

namespace {

class AlsaBackendTest : public ::testing::Test
{
protected:
    void use(AlsaBackend &b) { wavelark::fillAudioOps(ops, b); }
    std::string fileDevice() const { return "file:'" + rawPath.toStdString() + "',raw"; }

    TempHome home;
    QString rawPath = home.file("out.raw");
    AudioOps ops;
};

QByteArray tone(int bytes)
{
    QByteArray out(bytes, '\0');
    for (int i = 0; i < bytes; ++i)
        out[i] = char((i * 37) & 0xFF);
    return out;
}

} // namespace

TEST_F(AlsaBackendTest, PlaysThroughTheNullDevice)
{
    AlsaBackend backend("null");
    use(backend);
    ASSERT_EQ(ops.open(ops.userData), 0);
    AudioFormatEntry rows[128] = {};
    const int n = ops.enumerate(ops.userData, rows, 128, &ops);
    ASSERT_EQ(n, 54) << "the null sink takes every probe";
    EXPECT_EQ(rows[0].format, 16);
    EXPECT_EQ(rows[0].rate, 8000);
    EXPECT_EQ(rows[0].channelMask, 3);
    EXPECT_EQ(rows[53].format, 128);
    EXPECT_EQ(rows[53].rate, 48000);

    ops.setFormat(ops.userData, 2, 44100, WAVELARK_AFMT_S16_LE);
    const QByteArray second = tone(44100 * 4);
    EXPECT_EQ(ops.write(ops.userData, second.constData(), size_t(second.size())), second.size());
    EXPECT_EQ(ops.flush(ops.userData, false), 0);
    EXPECT_EQ(ops.flush(ops.userData, true), 0);
    // Playable again after draining, and after a format change.
    ops.setFormat(ops.userData, 1, 8000, WAVELARK_AFMT_U8);
    EXPECT_EQ(ops.write(ops.userData, second.constData(), 8000), 8000);
    EXPECT_EQ(ops.close(ops.userData), 0);
    EXPECT_EQ(ops.close(ops.userData), -1);
}

TEST_F(AlsaBackendTest, FileDeviceReceivesTheConvertedSamplesWithGain)
{
    AlsaBackend backend(fileDevice());
    use(backend);
    ASSERT_EQ(ops.open(ops.userData), 0);
    ops.setFormat(ops.userData, 1, 8000, WAVELARK_AFMT_S16_LE);
    ops.setVolume(ops.userData, 45);
    const int16_t in[] = {1000, -1000, 20000, -20000};
    const int16_t expected[] = {450, -450, 9000, -9000};
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(ops.write(ops.userData, in, sizeof in), ssize_t(sizeof in));
    EXPECT_EQ(ops.flush(ops.userData, true), 0);
    ops.close(ops.userData);

    const QByteArray raw = readAllBytes(rawPath);
    ASSERT_EQ(raw.size(), qsizetype(100 * sizeof in));
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(0, std::memcmp(raw.constData() + i * sizeof in, expected, sizeof expected))
            << "block " << i;
}

TEST_F(AlsaBackendTest, LawFormatsArePlayedAsLinearSamples)
{
    AlsaBackend backend(fileDevice());
    use(backend);
    ASSERT_EQ(ops.open(ops.userData), 0);
    ops.setFormat(ops.userData, 1, 8000, WAVELARK_AFMT_MU_LAW);
    const uint8_t law[] = {0xff, 0x80, 0x00, 0xff};
    EXPECT_EQ(ops.write(ops.userData, law, sizeof law), ssize_t(sizeof law));
    ops.flush(ops.userData, true);
    ops.close(ops.userData);
    const int16_t expected[] = {0, 32124, -32124, 0};
    const QByteArray raw = readAllBytes(rawPath);
    ASSERT_EQ(raw.size(), qsizetype(sizeof expected));
    EXPECT_EQ(0, std::memcmp(raw.constData(), expected, sizeof expected));
}

TEST_F(AlsaBackendTest, UnknownDeviceReturnsErrnoWithMessage)
{
    AlsaBackend backend("wavelark_no_such_device");
    use(backend);
    ::testing::internal::CaptureStderr();
    const int err = ops.open(ops.userData);
    const std::string out = ::testing::internal::GetCapturedStderr();
    EXPECT_GT(err, 0);
    EXPECT_EQ(out.rfind("wavelark_no_such_device: ", 0), 0u) << out;
    EXPECT_EQ(out.find("ALSA lib"), std::string::npos) << "only our own line: " << out;
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1) << out;
    EXPECT_EQ(ops.close(ops.userData), -1);
    EXPECT_EQ(ops.flush(ops.userData, true), -1);
    EXPECT_EQ(ops.write(ops.userData, "\0\0\0\0", 4), -1);
}
