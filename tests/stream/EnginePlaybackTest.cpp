#include "EngineFixture.h"

#include <QFileInfo>

namespace {

using EnginePlayback = EngineFixture;

TEST_F(EnginePlayback, EverySampleReachesTheDevice)
{
    installModule(TESTMOD_PATH, "test.so");
    TestStream data;
    data.frameBytes = 1000;
    data.pcm = pcm(700000); // more than two hold buffers
    stream->setOutBufSize(3000);
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
    EXPECT_EQ(stream->sampleRate(false), 22050);
    EXPECT_EQ(stream->channelMode(false), QStringLiteral("Joint Stereo"));
    EXPECT_EQ(stream->formatName(false), QStringLiteral("Test PCM"));
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

// A block read from the file before a smaller size was set must still get
// in: it goes in pieces instead of failing the stream.
TEST_F(EnginePlayback, ChangingTheHoldBufferWhilePlayingLosesNothing)
{
    installModule(TESTMOD_PATH, "test.so");
    TestStream data;
    data.frameBytes = 1000;
    data.pcm = pcm(1500000);
    stream->setOutBufSize(2000);
    usePlaylist({writeFile("a.raw", data.bytes())});
    ASSERT_TRUE(stream->start());
    ASSERT_TRUE(waitForEvent(StreamDecodeStartedEvent));
    const unsigned sizes[] = {32 * 1024, 300 * 1024, 4 * 1024, 200 * 1024, 32 * 1024};
    int progress = receiver.count(StreamProgressEvent);
    for (unsigned size : sizes) {
        stream->setInBufSize(size);
        progress += 40;
        ASSERT_TRUE(waitForEvent(StreamProgressEvent, progress, 60000));
    }
    ASSERT_TRUE(waitForEvent(StreamEndedEvent, 1, 60000));
    stream->stop();
    EXPECT_EQ(receiver.count(StreamErrorEvent), 0);
    EXPECT_EQ(wavData(wavPath()), data.pcm);
    EXPECT_EQ(stream->inBufSize(), 32u * 1024);
}

} // namespace
