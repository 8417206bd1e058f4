#include "EngineFixture.h"

#include <QCoreApplication>
#include <QElapsedTimer>

namespace {

class Scan : public EngineFixture
{
protected:
    void startLongStream()
    {
        installModule(TESTMOD_PATH, "test.so");
        TestStream data;
        data.pcm = pcm(8000000);
        changeSetting(*stream, &StreamSettings::decodeInterval, 100); // about 25 s of decoding
        usePlaylist({writeFile("long.raw", data.bytes())});
        ASSERT_TRUE(stream->start());
        ASSERT_TRUE(waitForEvent(StreamDecodeStartedEvent));
    }
};

TEST_F(Scan, TheNextEventComesAfterTheIntervalOfDecoding)
{
    startLongStream();
    stream->setScan(true, 2);
    EXPECT_TRUE(stream->isScanning());
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(waitForEvent(StreamScanNextEvent, 1, 10000));
    EXPECT_GE(clock.elapsed(), 1900);
    ASSERT_TRUE(waitForEvent(StreamScanNextEvent, 2, 10000));
    stream->setScan(false, 2);
    EXPECT_FALSE(stream->isScanning());
}

TEST_F(Scan, PausedSecondsDoNotCount)
{
    startLongStream();
    stream->setPaused(true);
    stream->setScan(true, 1);
    EXPECT_FALSE(waitForEvent(StreamScanNextEvent, 1, 2500));
    stream->setPaused(false);
    EXPECT_TRUE(waitForEvent(StreamScanNextEvent, 1, 5000));
}

TEST_F(Scan, ChangingTheIntervalKeepsTheCountAndOffRestartsFromZero)
{
    startLongStream();
    stream->setScan(true, 100);
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(waitUntil([&] { return clock.elapsed() > 2300; }, 5000));
    // About two seconds counted: a new interval of 3 fires, the count kept.
    stream->setScan(stream->isScanning(), 3);
    EXPECT_TRUE(stream->isScanning());
    ASSERT_TRUE(waitForEvent(StreamScanNextEvent, 1, 10000));

    stream->setScan(false, 3);
    // An event the old count posted may still be queued: deliver it first.
    QCoreApplication::sendPostedEvents(&receiver);
    const int before = receiver.count(StreamScanNextEvent);
    stream->setScan(true, 3);
    clock.restart();
    ASSERT_TRUE(waitForEvent(StreamScanNextEvent, before + 1, 10000));
    EXPECT_GE(clock.elapsed(), 2900);
}

} // namespace
