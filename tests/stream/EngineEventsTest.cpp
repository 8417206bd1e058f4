#include "EngineFixture.h"

#include <QCoreApplication>

namespace {

using EngineEvents = EngineFixture;

std::vector<int> after(const std::vector<int> &types, size_t from)
{
    return {types.begin() + long(std::min(from, types.size())), types.end()};
}

TEST_F(EngineEvents, ConstructionPostsOneStoppedEvent)
{
    ASSERT_TRUE(waitForEvent(StreamStoppedEvent));
    EXPECT_EQ(receiver.types, std::vector<int>({StreamStoppedEvent}));
}

TEST_F(EngineEvents, StartOnAnEmptyPlaylistOrWhilePlayingFails)
{
    EXPECT_FALSE(stream->start());
    stream->setPlaylist(new RadioPlayList, true);
    EXPECT_FALSE(stream->start());
    EXPECT_FALSE(stream->isPlaying());

    installModule(TESTMOD_PATH, "test.so");
    TestStream data;
    data.pcm = pcm(400000);
    usePlaylist({writeFile("a.raw", data.bytes())});
    ASSERT_TRUE(stream->start());
    EXPECT_FALSE(stream->start());
    stream->stop();
}

TEST_F(EngineEvents, StopWhilePlayingPostsTwoStoppedWhileStoppedOneRestartNone)
{
    installModule(TESTMOD_PATH, "test.so");
    TestStream data;
    data.pcm = pcm(2000000);
    usePlaylist({writeFile("a.raw", data.bytes())});
    ASSERT_TRUE(waitForEvent(StreamProbeDoneEvent));

    ASSERT_TRUE(stream->start());
    ASSERT_TRUE(waitForEvent(StreamDecodeStartedEvent));
    size_t mark = receiver.types.size();
    ASSERT_TRUE(stream->restart());
    ASSERT_TRUE(waitForEvent(StreamConnectingEvent, 2));
    EXPECT_EQ(std::count(receiver.types.begin() + long(mark), receiver.types.end(),
                         int(StreamStoppedEvent)),
              0);

    const int stoppedBefore = receiver.count(StreamStoppedEvent);
    stream->stop();
    ASSERT_TRUE(waitForEvent(StreamStoppedEvent, stoppedBefore + 2));
    EXPECT_FALSE(stream->isPlaying());

    stream->stop();
    ASSERT_TRUE(waitForEvent(StreamStoppedEvent, stoppedBefore + 3));
    QCoreApplication::processEvents();
    EXPECT_EQ(receiver.count(StreamStoppedEvent), stoppedBefore + 3);
    mark = receiver.types.size();
    (void)mark;
}

TEST_F(EngineEvents, PlayingToTheEndGivesTheEventSequence)
{
    installModule(TESTMOD_PATH, "test.so");
    TestStream data;
    data.pcm = pcm(64 * 1024);
    usePlaylist({writeFile("a.raw", data.bytes())});
    ASSERT_TRUE(waitForEvent(StreamProbeDoneEvent));
    const size_t mark = receiver.types.size();
    ASSERT_TRUE(stream->start());
    ASSERT_TRUE(waitForEvent(StreamEndedEvent));
    const std::vector<int> seq = after(receiver.types, mark);
    auto pos = [&](int type) { return std::find(seq.begin(), seq.end(), type) - seq.begin(); };
    EXPECT_EQ(seq.front(), StreamConnectingEvent);
    EXPECT_LT(pos(StreamConnectingEvent), pos(StreamDecodeStartedEvent));
    EXPECT_LT(pos(StreamDecodeStartedEvent), pos(StreamFormatEvent));
    EXPECT_LT(pos(StreamFormatEvent), pos(StreamEndedEvent));
    EXPECT_EQ(std::count(seq.begin(), seq.end(), int(StreamErrorEvent)), 0);
    EXPECT_EQ(std::count(seq.begin(), seq.end(), int(StreamEndedEvent)), 1);
}

TEST_F(EngineEvents, ZeroLengthFileIsUnknownFileFormat)
{
    installModule(TESTMOD_PATH, "test.so");
    usePlaylist({writeFile("empty.mp3", {})});
    ASSERT_TRUE(waitForEvent(StreamProbeDoneEvent));
    stream->inspectItem(Selection::Playing, [](const PlayListItem *item) {
        ASSERT_TRUE(item);
        EXPECT_EQ(item->error, QStringLiteral("unknown file format"));
        EXPECT_TRUE(item->bad);
    });
    // Started anyway (the receiver would skip it), the engine says so again.
    receiver.types.clear();
    ASSERT_TRUE(stream->start());
    ASSERT_TRUE(waitForEvent(StreamErrorEvent));
    stream->inspectItem(Selection::Playing, [](const PlayListItem *item) {
        EXPECT_EQ(item->error, QStringLiteral("unknown file format"));
    });
    EXPECT_EQ(receiver.count(StreamEndedEvent), 0);
}

TEST_F(EngineEvents, SmallUnrecognisedFileIsUnknownFileFormat)
{
    installModule(TESTMOD_REFUSE_PATH, "refuse.so");
    const QString path = writeFile("noise.bin", pcm(5000));
    auto *list = new RadioPlayList;
    list->add("file://" + path, QString());
    stream->setPlaylist(list, true);
    ASSERT_TRUE(waitForEvent(StreamProbeDoneEvent));
    receiver.types.clear();
    ASSERT_TRUE(stream->start());
    ASSERT_TRUE(waitForEvent(StreamErrorEvent));
    stream->inspectItem(Selection::Playing, [](const PlayListItem *item) {
        EXPECT_EQ(item->error, QStringLiteral("unknown file format"));
        EXPECT_TRUE(item->bad);
        EXPECT_TRUE(item->played);
    });
}

// A file larger than the hold buffer that no module accepts: the reader
// stops at half the buffer, so the engine must decide on what it holds.
TEST_F(EngineEvents, LargeUnrecognisedFileIsUnknownFileFormat)
{
    installModule(TESTMOD_REFUSE_PATH, "refuse.so");
    changeSetting(*stream, &StreamSettings::inBufSize, 64 * 1024);
    usePlaylist({writeFile("noise.bin", pcm(400000))});
    ASSERT_TRUE(waitForEvent(StreamProbeDoneEvent));
    receiver.types.clear();
    ASSERT_TRUE(stream->start());
    ASSERT_TRUE(waitForEvent(StreamErrorEvent));
    EXPECT_FALSE(waitUntil([&] { return receiver.count(StreamErrorEvent) > 1; }, 200));
    stream->inspectItem(Selection::Playing, [](const PlayListItem *item) {
        EXPECT_EQ(item->error, QStringLiteral("unknown file format"));
        EXPECT_TRUE(item->bad);
    });
}

TEST_F(EngineEvents, MissingLocalFileIsReportedWithTheSystemMessage)
{
    usePlaylist({home.file("nothing-here.mp3")});
    receiver.types.clear();
    ASSERT_TRUE(stream->start());
    ASSERT_TRUE(waitForEvent(StreamErrorEvent));
    stream->inspectItem(Selection::Playing, [](const PlayListItem *item) {
        EXPECT_EQ(item->error, QStringLiteral("No such file or directory"));
        EXPECT_TRUE(item->bad);
    });
}

TEST_F(EngineEvents, PauseClosesTheDeviceAndUnpauseReopensIt)
{
    installModule(TESTMOD_PATH, "test.so");
    TestStream data;
    data.pcm = pcm(4000000);
    usePlaylist({writeFile("a.raw", data.bytes())});
    ASSERT_TRUE(waitForEvent(StreamProbeDoneEvent));
    std::vector<bool> pausedSignals;
    QObject::connect(stream.get(), &RadioStream::streamPaused,
                     [&](bool p) { pausedSignals.push_back(p); });
    ASSERT_TRUE(stream->start());
    ASSERT_TRUE(waitForEvent(StreamFormatEvent));
    EXPECT_EQ(ops.openCount, 1);
    stream->setPaused(true);
    EXPECT_EQ(ops.openCount, 0);
    EXPECT_TRUE(stream->isPaused());
    const int formats = receiver.count(StreamFormatEvent);
    stream->setPaused(false);
    EXPECT_EQ(ops.openCount, 1);
    EXPECT_TRUE(waitForEvent(StreamFormatEvent, formats + 1)); // format applied again
    EXPECT_EQ(pausedSignals, std::vector<bool>({true, false}));
    stream->setPaused(true);
    stream->stop();
    EXPECT_EQ(ops.openCount, 0);
    stream->setPaused(false);
    ASSERT_TRUE(stream->start());
    EXPECT_EQ(ops.openCount, 1);
    stream->stop();
}

} // namespace
