// The OSS backend against a fake driver, always through the AudioOps table.

#include "OssBackend.h"
#include "FakeOssDriver.h"

#include <wavelark/decoder.h>

#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

using wavelark::OssBackend;
namespace oss = wavelark::oss;

namespace {

class OssBackendTest : public ::testing::Test
{
protected:
    explicit OssBackendTest(FakeOssDriver d = FakeOssDriver::everything()) : driver(std::move(d)) {}

    void SetUp() override { wavelark::fillAudioOps(ops, backend); }

    int open() { return ops.open(ops.userData); }
    int enumerate(AudioFormatEntry *rows, int max)
    {
        return ops.enumerate(ops.userData, rows, max, &ops);
    }

    FakeOssDriver driver;
    OssBackend backend{driver};
    AudioOps ops;
    AudioFormatEntry table[128] = {};
};

bool sameRow(const AudioFormatEntry &row, int format, int mask, int rate)
{
    return row.format == format && row.channelMask == mask && row.rate == rate;
}

std::string captureStderrOf(auto &&call)
{
    ::testing::internal::CaptureStderr();
    call();
    return ::testing::internal::GetCapturedStderr();
}

} // namespace

TEST_F(OssBackendTest, OpenTakesDspForWritingAndMixerForReading)
{
    ASSERT_EQ(open(), 0);
    ASSERT_EQ(driver.opened.size(), 2u);
    EXPECT_EQ(driver.opened[0], std::make_pair(std::string("/dev/dsp"), O_WRONLY));
    EXPECT_EQ(driver.opened[1], std::make_pair(std::string("/dev/mixer"), O_RDONLY));
    EXPECT_EQ(backend.pcmFd(), driver.dspFd);
    EXPECT_EQ(backend.mixerFd(), driver.mixerFd);
}

TEST_F(OssBackendTest, EverythingTakenGivesAll54RowsInProbeOrderWithBothChannels)
{
    ASSERT_EQ(open(), 0);
    ASSERT_EQ(enumerate(table, 128), 54);
    const int formats[] = {16, 8, 64, 1, 2, 128};
    const int rates[] = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};
    int i = 0;
    for (int f : formats)
        for (int r : rates)
            EXPECT_TRUE(sameRow(table[i++], f, 3, r)) << "row " << i - 1;
}

TEST_F(OssBackendTest, EnumerateStopsAtTheRowLimit)
{
    ASSERT_EQ(open(), 0);
    table[5] = {-7, -7, -7};
    EXPECT_EQ(enumerate(table, 5), 5);
    EXPECT_TRUE(sameRow(table[4], 16, 3, 22050));
    EXPECT_TRUE(sameRow(table[5], -7, -7, -7)) << "wrote past the limit";
}

TEST_F(OssBackendTest, EnumerateStartsWithResetAndProbesChannelsBeforeRate)
{
    ASSERT_EQ(open(), 0);
    enumerate(table, 1);
    const auto r = driver.dspRequests();
    ASSERT_GE(r.size(), 5u);
    EXPECT_EQ(r[0].request, oss::kDspReset);
    EXPECT_EQ(std::tie(r[1].request, r[1].argument), std::make_tuple(oss::kDspSetFmt, 16));
    EXPECT_EQ(std::tie(r[2].request, r[2].argument), std::make_tuple(oss::kDspStereo, 0));
    EXPECT_EQ(std::tie(r[3].request, r[3].argument), std::make_tuple(oss::kDspStereo, 1));
    EXPECT_EQ(std::tie(r[4].request, r[4].argument), std::make_tuple(oss::kDspSpeed, 8000));
}

class OssRestrictedDriverTest : public OssBackendTest
{
protected:
    static FakeOssDriver only16BitStereoAt44And48()
    {
        FakeOssDriver d;
        d.formats = {16};
        d.rates = {44100, 48000};
        d.stereo = true;
        return d;
    }
    OssRestrictedDriverTest() : OssBackendTest(only16BitStereoAt44And48()) {}
};

TEST_F(OssRestrictedDriverTest, Only16BitStereoAt44100And48000GivesTwoRows)
{
    ASSERT_EQ(open(), 0);
    ASSERT_EQ(enumerate(table, 128), 2);
    EXPECT_TRUE(sameRow(table[0], 16, 2, 44100));
    EXPECT_TRUE(sameRow(table[1], 16, 2, 48000));
}

TEST_F(OssBackendTest, DriverQuirksDecideTheRows)
{
    driver.formats = {16, 8};
    driver.mono = true;
    driver.stereo = false;
    driver.rates = {11025, 22050};
    driver.roundedRates = {{11025, 11000}};
    ASSERT_EQ(open(), 0);
    ASSERT_EQ(enumerate(table, 128), 4);
    // A rounded rate still counts, under the rate asked for; mono only is mask 1.
    EXPECT_TRUE(sameRow(table[0], 16, 1, 11025));
    EXPECT_TRUE(sameRow(table[1], 16, 1, 22050));
    EXPECT_TRUE(sameRow(table[2], 8, 1, 11025));
    EXPECT_TRUE(sameRow(table[3], 8, 1, 22050));
}

TEST_F(OssBackendTest, FormatHandedBackChangedIsSkipped)
{
    struct SwappingDriver : FakeOssDriver
    {
        int ioctl(int fd, unsigned long request, int *arg) override
        {
            const int r = FakeOssDriver::ioctl(fd, request, arg);
            if (request == oss::kDspSetFmt && r == 0 && *arg != 16)
                *arg = 16; // claims success but keeps 16-bit
            return r;
        }
    } swapping;
    static_cast<FakeOssDriver &>(swapping) = FakeOssDriver::everything();
    OssBackend b(swapping);
    ASSERT_EQ(b.open(), 0);
    ASSERT_EQ(b.enumerate(table, 128), 9);
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(table[i].format, 16);
}

TEST_F(OssBackendTest, MissingMixerReturnsItsErrnoAndLeavesDspClosed)
{
    driver.mixerOpenErrno = ENOENT;
    int result = -2;
    const std::string err = captureStderrOf([&] { result = open(); });
    EXPECT_EQ(result, ENOENT);
    EXPECT_EQ(err, std::string("/dev/mixer: ") + std::strerror(ENOENT) + "\n");
    EXPECT_TRUE(driver.openFds.empty()) << "/dev/dsp left open";
    EXPECT_EQ(backend.pcmFd(), -1);
    EXPECT_EQ(ops.close(ops.userData), -1);
}

TEST_F(OssBackendTest, MissingDspReturnsItsErrnoWithoutTryingTheMixer)
{
    driver.dspOpenErrno = EBUSY;
    int result = -2;
    const std::string err = captureStderrOf([&] { result = open(); });
    EXPECT_EQ(result, EBUSY);
    EXPECT_EQ(err, std::string("/dev/dsp: ") + std::strerror(EBUSY) + "\n");
    EXPECT_EQ(driver.opened.size(), 1u);
}

TEST_F(OssBackendTest, CloseTwiceSecondReturnsMinusOne)
{
    ASSERT_EQ(open(), 0);
    EXPECT_EQ(ops.close(ops.userData), 0);
    EXPECT_TRUE(driver.openFds.empty());
    EXPECT_EQ(backend.mixerFd(), -1);
    EXPECT_EQ(ops.close(ops.userData), -1);
}

TEST_F(OssBackendTest, VolumeGoesToChannelZeroUnchangedAndIsReadFromChannel13)
{
    EXPECT_EQ(ops.setVolume(ops.userData, 45), 0) << "closed device";
    EXPECT_TRUE(driver.requests.empty()) << "closed device must not be asked";

    ASSERT_EQ(open(), 0);
    EXPECT_EQ(ops.setVolume(ops.userData, 45), 0);
    EXPECT_EQ(driver.mixerChannels[0], 45);
    EXPECT_EQ(driver.requests.back().request, oss::kMixerWriteVolume);

    driver.outputGain = 77;
    EXPECT_EQ(ops.getVolume(ops.userData), 77);
    EXPECT_EQ(driver.requests.back().request, oss::kMixerReadOGain);
}

TEST_F(OssBackendTest, MixerFailuresPrintTheMessageAndReturnMinusOne)
{
    int result = 0;
    std::string err = captureStderrOf([&] { result = ops.getVolume(ops.userData); });
    EXPECT_EQ(result, -1) << "closed mixer";
    EXPECT_EQ(err, std::string("/dev/mixer: ") + std::strerror(EBADF) + "\n");

    ASSERT_EQ(open(), 0);
    driver.mixerRequestErrno = EIO;
    err = captureStderrOf([&] { result = ops.setVolume(ops.userData, 10); });
    EXPECT_EQ(result, -1);
    EXPECT_EQ(err, std::string("/dev/mixer: ") + std::strerror(EIO) + "\n");
    err = captureStderrOf([&] { result = ops.getVolume(ops.userData); });
    EXPECT_EQ(result, -1);
    EXPECT_EQ(err, std::string("/dev/mixer: ") + std::strerror(EIO) + "\n");
}

TEST_F(OssBackendTest, SetFormatSendsResetFormatStereoSpeedInOrder)
{
    EXPECT_EQ(ops.setFormat(ops.userData, 2, 44100, 16), 0);
    EXPECT_TRUE(driver.requests.empty()) << "closed device must not be asked";

    ASSERT_EQ(open(), 0);
    driver.rates.clear(); // results are not checked
    const std::string err =
        captureStderrOf([&] { EXPECT_EQ(ops.setFormat(ops.userData, 1, 22050, 8), 0); });
    EXPECT_EQ(err, "");
    const auto r = driver.dspRequests();
    ASSERT_EQ(r.size(), 4u);
    EXPECT_EQ(r[0].request, oss::kDspReset);
    EXPECT_FALSE(r[0].hasArgument);
    EXPECT_EQ(std::tie(r[1].request, r[1].argument), std::make_tuple(oss::kDspSetFmt, 8));
    EXPECT_EQ(std::tie(r[2].request, r[2].argument), std::make_tuple(oss::kDspStereo, 0));
    EXPECT_EQ(std::tie(r[3].request, r[3].argument), std::make_tuple(oss::kDspSpeed, 22050));
}

TEST_F(OssBackendTest, FlushWaitsWithSyncOrStartsWithPost)
{
    EXPECT_EQ(ops.flush(ops.userData, true), -1) << "closed device";
    ASSERT_EQ(open(), 0);
    EXPECT_EQ(ops.flush(ops.userData, true), 0);
    EXPECT_EQ(driver.requests.back().request, oss::kDspSync);
    EXPECT_EQ(ops.flush(ops.userData, false), 0);
    EXPECT_EQ(driver.requests.back().request, oss::kDspPost);
}

TEST_F(OssBackendTest, WriteDeliversEverythingAcrossShortWritesAndInterrupts)
{
    ASSERT_EQ(open(), 0);
    std::vector<uint8_t> pcm(1000);
    for (size_t i = 0; i < pcm.size(); ++i)
        pcm[i] = static_cast<uint8_t>(i * 7);
    driver.writeScript = {{300, 0}, {SIZE_MAX, EINTR}, {1, 0}, {SIZE_MAX, EINTR}, {SIZE_MAX, 0}};
    EXPECT_EQ(ops.write(ops.userData, pcm.data(), pcm.size()), 1000);
    EXPECT_EQ(driver.played, pcm);
}

TEST_F(OssBackendTest, WriteReportsWhatWentOutBeforeAnError)
{
    ASSERT_EQ(open(), 0);
    const std::vector<uint8_t> pcm(1000, 0x55);
    driver.writeScript = {{400, 0}, {SIZE_MAX, EIO}};
    EXPECT_EQ(ops.write(ops.userData, pcm.data(), pcm.size()), 400);

    driver.writeScript = {{SIZE_MAX, EIO}};
    errno = 0;
    EXPECT_EQ(ops.write(ops.userData, pcm.data(), pcm.size()), -1);
    EXPECT_EQ(errno, EIO);

    ops.close(ops.userData);
    EXPECT_EQ(ops.write(ops.userData, pcm.data(), pcm.size()), -1) << "closed device";
    EXPECT_EQ(errno, EBADF);
}

TEST(OssBackendLifetime, DestructorClosesBothDescriptors)
{
    FakeOssDriver driver = FakeOssDriver::everything();
    {
        OssBackend backend(driver);
        ASSERT_EQ(backend.open(), 0);
        EXPECT_EQ(driver.openFds.size(), 2u);
    }
    EXPECT_TRUE(driver.openFds.empty());
}
