// The transport without a window: a real engine plays local test streams
// and stations of a server on 127.0.0.1, and the transport decides what
// follows each ended or failed entry and each move of the user.
#include "Transport.h"
#include "EngineFixture.h"
#include "EventHandOff.h"
#include "StderrCapture.h"
#include "TestHttpServer.h"
#include "WavelarkSettings.h"

#include <QObject>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

// Readable failures; found by argument-dependent lookup, so not in the
// anonymous namespace.
static void PrintTo(Transport::ErrorOutcome outcome, std::ostream *os)
{
    static const char *const names[] = {"NotFailed", "Retrying", "Skipped", "GaveUp"};
    *os << names[int(outcome)];
}

namespace {

using Outcome = Transport::ErrorOutcome;
using Reply = TestHttpServer::Reply;

// What the transport writes on its log, kept in memory.
class MemoryLog
{
public:
    MemoryLog() : file_(open_memstream(&buffer_, &size_)) {}
    ~MemoryLog()
    {
        std::fclose(file_);
        std::free(buffer_);
    }
    MemoryLog(const MemoryLog &) = delete;
    MemoryLog &operator=(const MemoryLog &) = delete;

    FILE *file() const { return file_; }
    std::string text()
    {
        std::fflush(file_);
        return std::string(buffer_, size_);
    }

private:
    char *buffer_ = nullptr;
    size_t size_ = 0;
    FILE *file_;
};

// Hands the engine's events to the transport as a driver does, before the
// fixture's recorder sees them, and notes what it saw in event order.
class Driver : public QObject
{
public:
    Driver(RadioStream &stream, Transport &transport) : stream_(stream), transport_(transport) {}

    std::vector<int> started;      // the playing index at each decode start
    std::vector<Outcome> outcomes; // the transport's answer to each error
    std::function<void()> onStart; // after `started` grew, before later events
    std::function<void()> onError; // before the transport answers an error

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        wavelark::takeOverEvent(event);
        switch (int(event->type())) {
        case StreamDecodeStartedEvent:
            started.push_back(stream_.currentIndex(Selection::Playing));
            if (onStart)
                onStart();
            break;
        case StreamEndedEvent: transport_.itemEnded(); break;
        case StreamErrorEvent:
            if (onError)
                onError();
            outcomes.push_back(transport_.streamError());
            break;
        default: break;
        }
        return false;
    }

private:
    RadioStream &stream_;
    Transport &transport_;
};

class TransportDriving : public EngineFixture
{
protected:
    TransportDriving() : transport(*stream, settings, log.file()), driver(*stream, transport)
    {
        receiver.installEventFilter(&driver);
        installModule(TESTMOD_PATH, "test.so");
        // Sound files that do not exist: the request alone shows the choice.
        settings.eofSound = home.file("eof.wav");
        settings.repeatSound = home.file("repeat.wav");
        settings.repeatAllSound = home.file("repeatAll.wav");
        settings.retrySound = home.file("retry.wav");
    }
    ~TransportDriving() override
    {
        stream->stop();
        server.stop();
    }

    // A short local entry the test module plays to its end.
    QString song(const QString &name, int seed)
    {
        TestStream data;
        data.frameBytes = 1000;
        data.pcm = pcm(20000, seed);
        return writeFile(name, data.bytes());
    }
    // Times `sound` was asked for so far.
    static int heard(StderrCapture &err, const QString &sound)
    {
        return int(err.text().count("playSound(): " + sound + '\n'));
    }
    bool waitUntilStoppedAfter(int ended)
    {
        return waitUntil(
            [&] { return receiver.count(StreamEndedEvent) >= ended && !stream->isPlaying(); });
    }
    std::optional<int> retryCounter()
    {
        std::optional<int> counter;
        stream->inspectItem(Selection::Playing, [&](const PlayListItem *item) {
            if (item)
                counter = item->retryCounter;
        });
        return counter;
    }

    MemoryLog log;
    WavelarkSettings settings;
    Transport transport;
    Driver driver;
    TestHttpServer server;
};

TEST_F(TransportDriving, AListPlaysThroughThenRepeatsAsTheRepeatModeSays)
{
    usePlaylist({song("a.raw", 1), song("b.raw", 2), song("c.raw", 3)});
    StderrCapture err;
    ASSERT_TRUE(transport.startPlayback());
    ASSERT_TRUE(waitUntilStoppedAfter(3));
    EXPECT_EQ(driver.started, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(stream->currentIndex(Selection::Playing), 2);
    EXPECT_EQ(heard(err, settings.eofSound), 1);

    // Repeat all wraps from the last entry to the first; once that plays,
    // repeat it alone for one more round, then play on to the end.
    transport.setRepeatMode(2);
    driver.onStart = [&] {
        if (driver.started.size() == 5)
            transport.setRepeatMode(1);
        else if (driver.started.size() == 6)
            transport.setRepeatMode(0);
    };
    ASSERT_TRUE(transport.startPlayback());
    ASSERT_TRUE(waitUntilStoppedAfter(8));
    EXPECT_EQ(driver.started, (std::vector<int>{0, 1, 2, 2, 0, 0, 1, 2}));
    EXPECT_EQ(heard(err, settings.repeatAllSound), 1);
    EXPECT_EQ(heard(err, settings.repeatSound), 1);
    EXPECT_EQ(heard(err, settings.eofSound), 2);
    EXPECT_EQ(receiver.count(StreamErrorEvent), 0);
}

TEST_F(TransportDriving, ShuffleHearsEachEntryOnceAndRecallGoesBack)
{
    usePlaylist({song("a.raw", 1), song("b.raw", 2), song("c.raw", 3), song("d.raw", 4)});
    transport.setShuffle(true);
    StderrCapture err;
    ASSERT_TRUE(transport.startPlayback());
    ASSERT_TRUE(waitUntilStoppedAfter(4));
    std::vector<int> heardOnce = driver.started;
    std::sort(heardOnce.begin(), heardOnce.end());
    EXPECT_EQ(heardOnce, (std::vector<int>{0, 1, 2, 3})) << "started in shuffled order";
    EXPECT_EQ(heard(err, settings.eofSound), 1) << "a new round is not begun without repeat";

    // The user's next while stopped picks another entry; recall swaps back and forth.
    const int before = stream->currentIndex(Selection::Playing);
    transport.nextItem(false, false);
    const int picked = stream->currentIndex(Selection::Playing);
    EXPECT_NE(picked, before);
    transport.recall();
    EXPECT_EQ(stream->currentIndex(Selection::Playing), before);
    transport.recall();
    EXPECT_EQ(stream->currentIndex(Selection::Playing), picked);
}

TEST_F(TransportDriving, TheUsersMovesWrapJumpSkipBadEntriesAndPlayTheBrowsedOne)
{
    const QString junk = writeFile("junk.raw", QByteArray(5000, 'j'));
    usePlaylist({song("a.raw", 1), junk, song("b.raw", 2), song("c.raw", 3)});
    auto playing = [&] { return stream->currentIndex(Selection::Playing); };

    // Stepping onto the junk entry looks at it and marks it bad.
    transport.nextItem(false, false);
    ASSERT_EQ(playing(), 1);
    ASSERT_TRUE(waitUntil([&] { return stream->isBad(Selection::Playing); }));
    transport.nextItem(false, false);
    transport.nextItem(false, false);
    EXPECT_EQ(playing(), 3);
    transport.nextItem(false, false);
    EXPECT_EQ(playing(), 0) << "a cyclic list wraps forward";
    transport.previousItem(false);
    EXPECT_EQ(playing(), 3) << "and backward";

    // With skipBadFiles the bad entry is stepped over both ways.
    changeSetting(*stream, &StreamSettings::skipBadFiles, true);
    transport.previousItem(false);
    transport.previousItem(false);
    EXPECT_EQ(playing(), 0);
    transport.nextItem(false, false);
    EXPECT_EQ(playing(), 2);

    // A list that is not cyclic stops at its ends.
    settings.cyclicPlayList = false;
    transport.nextItem(false, false);
    transport.nextItem(false, false);
    EXPECT_EQ(playing(), 3);
    settings.playListJump = 2;
    transport.jump(false);
    EXPECT_EQ(playing(), 1);
    transport.jump(false);
    EXPECT_EQ(playing(), 0) << "a jump past the start stops at it";
    transport.previousItem(false);
    EXPECT_EQ(playing(), 0);
    transport.jump(true);
    transport.jump(true);
    EXPECT_EQ(playing(), 3) << "a jump past the end stops at it";

    // Browsing moves its own selection; playing the browsed entry keeps
    // the one before for recall.
    transport.setBrowseMode(true);
    transport.previousItem(false);
    EXPECT_EQ(stream->currentIndex(Selection::Browse), 2);
    EXPECT_EQ(playing(), 3);
    transport.playBrowsed();
    EXPECT_EQ(playing(), 2);
    transport.recall();
    EXPECT_EQ(playing(), 3);
    EXPECT_FALSE(stream->isPlaying());
}

TEST_F(TransportDriving, AFailingStationIsRetriedThenGivenUpOrSkipped)
{
    ASSERT_TRUE(server.start());
    server.setRoute("/down", Reply::make("HTTP/1.0 503 Service Unavailable", {}, "busy"));
    settings.streamRetries = 3;
    usePlaylist({server.url("/down"), song("after.raw", 5)});
    StderrCapture err;
    ASSERT_TRUE(transport.startPlayback());
    ASSERT_TRUE(waitUntil([&] { return driver.outcomes.size() >= 3 && !stream->isPlaying(); }));
    EXPECT_EQ(driver.outcomes,
              (std::vector<Outcome>{Outcome::Retrying, Outcome::Retrying, Outcome::GaveUp}));
    EXPECT_EQ(log.text(), "RETRY 1/3\nRETRY 2/3\nRETRY 3/3\n");
    EXPECT_EQ(server.requests().size(), 3) << "each try asks the station again";
    EXPECT_EQ(heard(err, settings.retrySound), 2) << "a retry sound for each retry";
    EXPECT_EQ(stream->currentIndex(Selection::Playing), 0);
    EXPECT_EQ(retryCounter(), 0) << "given up: the next try has all its retries";
    EXPECT_TRUE(driver.started.empty());

    // With skipBadFiles the last failure moves on to the next entry, which
    // plays to its end and ends the list.
    usePlaylist({server.url("/down"), song("after.raw", 5)});
    changeSetting(*stream, &StreamSettings::skipBadFiles, true);
    ASSERT_TRUE(transport.startPlayback());
    ASSERT_TRUE(waitUntilStoppedAfter(1));
    EXPECT_EQ(driver.outcomes,
              (std::vector<Outcome>{Outcome::Retrying, Outcome::Retrying, Outcome::GaveUp,
                                    Outcome::Retrying, Outcome::Retrying, Outcome::Skipped}));
    EXPECT_EQ(log.text(), "RETRY 1/3\nRETRY 2/3\nRETRY 3/3\nRETRY 1/3\nRETRY 2/3\nRETRY 3/3\n");
    EXPECT_EQ(server.requests().size(), 6);
    EXPECT_EQ(driver.started, (std::vector<int>{1}));
    EXPECT_EQ(stream->currentIndex(Selection::Playing), 1);
    EXPECT_EQ(heard(err, settings.eofSound), 1);
}

TEST_F(TransportDriving, AStationBackAfterARetryPlaysToItsEndWithItsRetriesReset)
{
    ASSERT_TRUE(server.start());
    server.setRoute("/flaky", Reply::make("HTTP/1.0 503 Service Unavailable", {}, "busy"));
    TestStream data;
    data.frameBytes = 1000;
    data.pcm = pcm(20000, 7);
    // The station answers again by the time it is asked again.
    driver.onError = [&] {
        server.setRoute("/flaky", Reply::make("HTTP/1.0 200 OK", {}, data.bytes()));
    };
    settings.streamRetries = 3;
    usePlaylist({server.url("/flaky")});
    ASSERT_TRUE(transport.startPlayback());
    ASSERT_TRUE(waitUntilStoppedAfter(1));
    EXPECT_EQ(driver.outcomes, (std::vector<Outcome>{Outcome::Retrying}));
    EXPECT_EQ(log.text(), "RETRY 1/3\n");
    EXPECT_EQ(driver.started, (std::vector<int>{0}));
    EXPECT_EQ(retryCounter(), 0) << "an entry that ended starts its next try afresh";
    EXPECT_EQ(wavData(wavPath()), data.pcm);
}

} // namespace
