#include "EngineFixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

namespace {

using EnginePlayback = EngineFixture;

bool libcurlMapped()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("/libcurl");
}

// libcurl and what it brings are loaded by the first transfer only.
TEST_F(EnginePlayback, ALocalFilePlaysWithoutTheNetworkLibrary)
{
    if (libcurlMapped())
        GTEST_SKIP() << "an earlier test in this process loaded libcurl";
    installModule(TESTMOD_PATH, "test.so");
    TestStream data;
    data.frameBytes = 1000;
    data.pcm = pcm(20000);
    usePlaylist({writeFile("a.raw", data.bytes())});
    ASSERT_TRUE(stream->start());
    ASSERT_TRUE(waitForEvent(StreamEndedEvent));
    stream->stop();
    EXPECT_EQ(wavData(wavPath()), data.pcm);
    EXPECT_FALSE(libcurlMapped());
}

TEST_F(EnginePlayback, EverySampleReachesTheDevice)
{
    installModule(TESTMOD_PATH, "test.so");
    TestStream data;
    data.frameBytes = 1000;
    data.pcm = pcm(700000); // more than two hold buffers
    changeSetting(*stream, &StreamSettings::outBufSize, 3000);
    usePlaylist({writeFile("a.raw", data.bytes())});
    ASSERT_TRUE(stream->start());
    ASSERT_TRUE(waitForEvent(StreamEndedEvent, 1, 60000));
    stream->stop();
    EXPECT_EQ(wavData(wavPath()), data.pcm);
}

TEST_F(EnginePlayback, FormatChangeMidStreamIsAppliedToTheDevice)
{
    installModule(TESTMOD_PATH, "test.so");
    TestStream data;
    data.frameBytes = 1000;
    data.changeAt = 50;
    data.pcm = pcm(100000);
    usePlaylist({writeFile("a.raw", data.bytes())});
    ASSERT_TRUE(stream->start());
    ASSERT_TRUE(waitForEvent(StreamEndedEvent));
    stream->stop();
    EXPECT_GE(receiver.count(StreamFormatEvent), 2);
    EXPECT_EQ(stream->sampleRate(Selection::Playing), 22050);
    EXPECT_EQ(stream->channelMode(Selection::Playing), QStringLiteral("Joint Stereo"));
    EXPECT_EQ(stream->formatName(Selection::Playing), QStringLiteral("Test PCM"));
    // The WAV device starts a new file for the new format.
    ASSERT_TRUE(QFileInfo::exists(wavPath() + ".1"));
    EXPECT_EQ(wavData(wavPath()) + wavData(wavPath() + ".1"), data.pcm);
}

// A failed frame ends the data: what the hold buffer holds is still played,
// nothing more is read, and the stream ends without an error.
TEST_F(EnginePlayback, DecodeFailureEndsTheStream)
{
    installModule(TESTMOD_PATH, "test.so");
    TestStream data;
    data.frameBytes = 1000;
    data.failDecodeAt = 10;
    data.pcm = pcm(2000000);
    usePlaylist({writeFile("a.raw", data.bytes())});
    ASSERT_TRUE(stream->start());
    ASSERT_TRUE(waitForEvent(StreamEndedEvent));
    stream->stop();
    EXPECT_EQ(receiver.count(StreamErrorEvent), 0);
    const QByteArray out = wavData(wavPath());
    EXPECT_GE(out.size(), 9000);
    EXPECT_LT(out.size(), data.pcm.size());
    EXPECT_EQ(out, data.pcm.left(out.size()));
}

// A local source that opens but cannot be read (a folder) fails once, with
// the system's reason, and the read tick does nothing more for it.
TEST_F(EnginePlayback, AReadErrorOfALocalSourceFailsTheEntryOnce)
{
    installModule(TESTMOD_PATH, "test.so");
    const QString folder = home.file("folder.raw");
    ASSERT_TRUE(QDir().mkpath(folder));
    usePlaylist({folder});
    ASSERT_TRUE(waitForEvent(StreamProbeDoneEvent));
    const int before = receiver.count(StreamErrorEvent);
    ASSERT_TRUE(stream->start());
    ASSERT_TRUE(waitForEvent(StreamErrorEvent, before + 1));
    EXPECT_EQ(stream->itemError(0, Selection::Playing),
              QString::fromLocal8Bit(std::strerror(EISDIR)));
    EXPECT_TRUE(stream->isBad(Selection::Playing));
    EXPECT_FALSE(waitForEvent(StreamErrorEvent, before + 2, 1000));
    stream->stop();
}

// A block read from the file before a smaller size was set must still get
// in: it goes in pieces instead of failing the stream.
TEST_F(EnginePlayback, ChangingTheHoldBufferWhilePlayingLosesNothing)
{
    installModule(TESTMOD_PATH, "test.so");
    TestStream data;
    data.frameBytes = 1000;
    data.pcm = pcm(1500000);
    changeSetting(*stream, &StreamSettings::outBufSize, 2000);
    usePlaylist({writeFile("a.raw", data.bytes())});
    ASSERT_TRUE(stream->start());
    ASSERT_TRUE(waitForEvent(StreamDecodeStartedEvent));
    const unsigned sizes[] = {32 * 1024, 300 * 1024, 4 * 1024, 200 * 1024, 32 * 1024};
    int progress = receiver.count(StreamProgressEvent);
    for (unsigned size : sizes) {
        changeSetting(*stream, &StreamSettings::inBufSize, size);
        progress += 40;
        ASSERT_TRUE(waitForEvent(StreamProgressEvent, progress, 60000));
    }
    ASSERT_TRUE(waitForEvent(StreamEndedEvent, 1, 60000));
    stream->stop();
    EXPECT_EQ(receiver.count(StreamErrorEvent), 0);
    EXPECT_EQ(wavData(wavPath()), data.pcm);
    EXPECT_EQ(stream->inBufSize(), 32u * 1024);
}

// A frame decoded just as the user pauses is kept and written on resuming:
// pausing never ends the stream or loses audio.
TEST_F(EnginePlayback, PausingWhileFramesAreWrittenLosesNothing)
{
    installModule(TESTMOD_PATH, "test.so");
    TestStream data;
    data.frameBytes = 500;
    data.pcm = pcm(600000);
    changeSetting(*stream, &StreamSettings::outBufSize, 4000);
    changeSetting(*stream, &StreamSettings::decodeInterval, 2);
    usePlaylist({writeFile("a.raw", data.bytes())});
    ASSERT_TRUE(stream->start());
    ASSERT_TRUE(waitForEvent(StreamDecodeStartedEvent));
    for (int i = 0; i < 25 && !receiver.count(StreamEndedEvent); ++i) {
        ASSERT_TRUE(waitForEvent(StreamProgressEvent, receiver.count(StreamProgressEvent) + 3));
        stream->setPaused(true);
        // Progress goes on being posted while the decode step waits.
        ASSERT_TRUE(waitForEvent(StreamProgressEvent, receiver.count(StreamProgressEvent) + 2));
        stream->setPaused(false);
    }
    ASSERT_TRUE(waitForEvent(StreamEndedEvent, 1, 60000));
    stream->stop();
    EXPECT_EQ(receiver.count(StreamErrorEvent), 0);
    EXPECT_TRUE(wavData(wavPath()) == data.pcm);
}

// Removing the entry that plays stops the workers before the entry is
// freed (AddressSanitizer would see a worker write it), then plays the
// entry that took its place.
TEST_F(EnginePlayback, RemovingThePlayingEntryWhilePlaying)
{
    installModule(TESTMOD_PATH, "test.so");
    TestStream data;
    data.frameBytes = 1000;
    data.changeAt = 3; // the module reports new information while playing
    data.pcm = pcm(300000);
    QStringList files;
    for (int i = 0; i < 6; ++i)
        files << writeFile(QStringLiteral("%1.raw").arg(i), data.bytes());
    usePlaylist(files);
    ASSERT_TRUE(stream->start());
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(waitForEvent(StreamDecodeStartedEvent, i + 1));
        ASSERT_TRUE(stream->removeCurrent(Selection::Playing));
        EXPECT_TRUE(stream->isPlaying());
        EXPECT_EQ(stream->count(), unsigned(5 - i));
    }
    stream->stop();
    EXPECT_EQ(receiver.count(StreamErrorEvent), 0);
}

// A new selection gives up a running probe within one module call instead
// of waiting for every module to see every block of the file.
TEST_F(EnginePlayback, ANewSelectionAbandonsARunningProbe)
{
    for (int i = 0; i < 10; ++i)
        installModule(TESTMOD_SLOW_REFUSE_PATH, QStringLiteral("slow%1.so").arg(i));
    StderrCapture err;
    usePlaylist({writeFile("noise.raw", pcm(300000)), "http://127.0.0.1:9/remote"});
    ASSERT_TRUE(waitForEvent(StreamReadingFileEvent));
    ASSERT_TRUE(stream->selectIndex(1, Selection::Playing));
    const int tried = int(err.text().count(QStringLiteral("TRYING")));
    // A whole probe: ten modules for each of the ten blocks read.
    EXPECT_LT(tried, 20);
    ASSERT_TRUE(waitForEvent(StreamProbeDoneEvent));
    EXPECT_EQ(int(err.text().count(QStringLiteral("TRYING"))), tried);
    // Nothing was concluded about the abandoned file.
    EXPECT_TRUE(stream->itemError(0, Selection::Playing).isEmpty());
}

} // namespace
