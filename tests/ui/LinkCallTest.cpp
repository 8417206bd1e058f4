// The data link, calls and the display state, as a person meets them:
// pressing Play without a link, "Connect" and "Disconnect", a network that
// goes away, a call, and a screen that goes dark.
#include "FakeSources.h"
#include "ProfileChooser.h"
#include "SoftKeyBar.h"
#include "StderrCapture.h"
#include "TestHttpServer.h"
#include "UiTestSupport.h"
#include "WavelarkIndicators.h"
#include "WavelarkMarquee.h"
#include "stream.h"

#include <QApplication>
#include <QFileOpenEvent>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Reply = TestHttpServer::Reply;

// Answers the profile chooser whenever it opens: the named profile, or
// "Cancel" when the name is empty.
class ChooserAnswer : public QObject
{
public:
    explicit ChooserAnswer(QString name) : name_(std::move(name))
    {
        auto *timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, &ChooserAnswer::check);
        timer->start(10);
    }
    void setName(const QString &name) { name_ = name; }
    int opened = 0;

private:
    void check()
    {
        auto *chooser = qobject_cast<ProfileChooser *>(QApplication::activeModalWidget());
        if (!chooser)
            return;
        ++opened;
        const QList<QListWidgetItem *> found = chooser->list()->findItems(name_, Qt::MatchExactly);
        if (name_.isEmpty() || found.isEmpty()) {
            chooser->reject();
            return;
        }
        chooser->list()->setCurrentItem(found.first());
        chooser->accept();
    }
    QString name_;
};

// The error sound is a named pipe: the player's open of it waits for a
// writer, so a writer that can open it proves the sound was started.
class ErrorSound
{
public:
    explicit ErrorSound(const QString &path) : path_(QFile::encodeName(path))
    {
        EXPECT_EQ(::mkfifo(path_.constData(), 0600), 0);
    }
    ~ErrorSound() { EXPECT_FALSE(played()); }
    // True when the player opened the sound; it then reads an empty file.
    bool played()
    {
        const int fd = ::open(path_.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            return false;
        ::close(fd);
        return true;
    }
    bool waitPlayed()
    {
        return waitFor([this] { return played(); }, 10000);
    }

private:
    QByteArray path_;
};

QByteArray configWithSound(const PlayerHome &player, const QByteArray &more = {})
{
    return "inBufSize = 128\nstreamErrorSound = " +
           QFile::encodeName(player.home.file("error.wl")) + "\n" + more;
}

// A station whose bytes the test module never takes: they stay held, and
// the stream runs until it is stopped.
Reply heldStation()
{
    return Reply::make("ICY 200 OK", {{"icy-name", "Held"}}, testModuleData(3000, 1000000)).hang();
}

bool showsBufferFigures(Wavelark &window)
{
    static const QRegularExpression figures(QStringLiteral("^(buffering|buffered) \\d+k/128k$"));
    return figures.match(window.statusMarqueeWidget()->text()).hasMatch();
}

// The offscreen platform gives the focus back to no one when a dialog closes.
void refocus(Wavelark &window)
{
    window.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&window, 5000));
}

void clickMiddle(Wavelark &window)
{
    QTest::mouseClick(window.softKeyBar()->middleButton(), Qt::LeftButton);
}

// Starts the next windows with the system's link down.
struct NoSystemLink
{
    NoSystemLink() { fakeSourcesStart().systemLinkUp = false; }
    ~NoSystemLink() { fakeSourcesStart() = FakeSourcesStart(); }
};

TEST(LinkCall, PlayWaitsForTheConfiguredLinkAndConnectAlwaysAsks)
{
    NoSystemLink down;
    PlayerHome player("");
    player.home.write(".wavelark/config", configWithSound(player, "networkProfile = wlan-test\n"));
    ErrorSound errorSound(player.home.file("error.wl"));
    TestHttpServer server;
    ASSERT_TRUE(server.start());
    server.setRoute("/held", heldStation());
    StderrCapture log;
    ChooserAnswer chooser("Default");
    auto window = makeWindow({server.url("/held")});
    SectionRecorder seen(window.get());
    FakeLinkManager *link = fakeLink(window.get());
    RadioStream *stream = window->radioStream();
    EXPECT_EQ(window->statusMarqueeWidget()->text(), QStringLiteral("not connected"));

    // Play with a configured profile: the link is asked for without a
    // question, and nothing connects before it is up.
    link->setOutcome(FakeLinkManager::Outcome::Wait);
    clickMiddle(*window);
    ASSERT_TRUE(waitFor([&] {
        return window->statusMarqueeWidget()->text() == QStringLiteral("waiting for link");
    }));
    EXPECT_EQ(link->requests(), QStringList{"wlan-test"});
    EXPECT_EQ(chooser.opened, 0);
    EXPECT_FALSE(stream->isPlaying());
    link->reportConnected(link->lastRequestId());
    ASSERT_TRUE(waitFor([&] { return showsBufferFigures(*window); }))
        << seen.statuses.join('|').toStdString();
    EXPECT_TRUE(seen.statuses.contains("connecting"));
    EXPECT_TRUE(log.text().contains("Wavelark(1136): slotLinkConnected\n"));
    EXPECT_EQ(window->currentLinkId(), link->lastRequestId());

    // "Connect" while the link is up does nothing; "Disconnect" stops the
    // remote stream with the error sound and forgets the link.
    window->slotLinkConnect();
    EXPECT_EQ(link->requests().size(), 1);
    window->slotLinkDisconnect();
    EXPECT_TRUE(errorSound.waitPlayed());
    EXPECT_FALSE(stream->isPlaying());
    EXPECT_EQ(window->currentLinkId(), -1);
    EXPECT_EQ(link->openId(), -1);
    EXPECT_EQ(window->statusMarqueeWidget()->text(), QStringLiteral("not connected"));

    // "Connect" asks even with a profile configured; cancelling asks for nothing.
    chooser.setName(QString());
    window->slotLinkConnect();
    EXPECT_EQ(chooser.opened, 1);
    EXPECT_EQ(link->requests().size(), 1);
    EXPECT_EQ(window->currentLinkId(), -1);
    // The chosen profile is used from then on, and its link starts playback.
    chooser.setName("Default");
    link->setOutcome(FakeLinkManager::Outcome::Connect);
    window->slotLinkConnect();
    refocus(*window);
    EXPECT_EQ(chooser.opened, 2);
    EXPECT_EQ(link->requests().last(), QStringLiteral("Default"));
    ASSERT_TRUE(waitFor([&] { return stream->isPlaying() && showsBufferFigures(*window); }));
    EXPECT_EQ(window->settings().networkProfile, QStringLiteral("Default"));
    window.reset();
    server.stop();
}

TEST(LinkCall, SystemLinkStartsNothingALinkAskedForRunsWhatWaitedAndFailuresDropIt)
{
    PlayerHome player("");
    player.home.write(".wavelark/config", configWithSound(player));
    ErrorSound errorSound(player.home.file("error.wl"));
    TestHttpServer server;
    ASSERT_TRUE(server.start());
    server.setRoute("/held", heldStation());
    StderrCapture log;
    ChooserAnswer chooser("wlan-test");
    auto window = makeWindow({server.url("/held")});
    SectionRecorder seen(window.get());
    FakeLinkManager *link = fakeLink(window.get());
    RadioStream *stream = window->radioStream();

    // The system's link comes up by itself: shown, but nothing starts.
    ASSERT_TRUE(waitFor([&] { return window->currentLinkId() != -1; }));
    const int systemLink = window->currentLinkId();
    ASSERT_TRUE(waitFor([&] { return log.text().contains("slotLinkConnected"); }));
    EXPECT_EQ(window->statusMarqueeWidget()->text(), QStringLiteral("link available"));
    EXPECT_FALSE(stream->isPlaying());
    link->reportBroken(systemLink);
    EXPECT_TRUE(log.text().contains("Wavelark(1169): slotLinkBroken\n"));
    EXPECT_EQ(window->statusMarqueeWidget()->text(), QStringLiteral("not connected"));

    // A directory action waiting for a link asked for runs instead of playback.
    window->setPendingDirectoryActionForTest(1);
    window->slotLinkConnect();
    refocus(*window);
    ASSERT_TRUE(waitFor([&] { return window->pendingDirectoryActionForTest() == -1; }));
    EXPECT_EQ(link->requests(), QStringList{"wlan-test"});
    EXPECT_FALSE(stream->isPlaying());
    // Without one, the link asked for by Play starts the stream, no question asked.
    window->slotLinkDisconnect();
    clickMiddle(*window);
    ASSERT_TRUE(waitFor([&] { return stream->isPlaying() && showsBufferFigures(*window); }));
    EXPECT_EQ(chooser.opened, 1);
    EXPECT_EQ(link->requests().size(), 2);
    const int playingLink = window->currentLinkId();

    // Late reports about links no longer held change nothing.
    link->reportBroken(systemLink);
    link->reportOpenFailed(link->lastRequestId() - 1);
    EXPECT_TRUE(stream->isPlaying());
    EXPECT_EQ(window->currentLinkId(), playingLink);

    // A link that fails drops the directory action that waited for it.
    window->slotLinkDisconnect();
    EXPECT_TRUE(errorSound.waitPlayed());
    link->setOutcome(FakeLinkManager::Outcome::Fail);
    window->setPendingDirectoryActionForTest(0);
    seen.statuses.clear();
    clickMiddle(*window);
    ASSERT_TRUE(waitFor([&] {
        return seen.statuses.contains("waiting for link") &&
               window->statusMarqueeWidget()->text() == "not connected";
    })) << seen.statuses.join('|').toStdString();
    EXPECT_TRUE(log.text().contains("Wavelark(1157): slotLinkOpenFailed\n"));
    EXPECT_EQ(window->softKeyBar()->middleText(), QStringLiteral("Play"));
    EXPECT_EQ(window->pendingDirectoryActionForTest(), -1);
    EXPECT_EQ(window->currentLinkId(), -1);
    EXPECT_FALSE(stream->isPlaying());
    window.reset();
    server.stop();
}

TEST(LinkCall, ABrokenLinkStopsARemoteStreamWithTheErrorSoundButNotALocalFile)
{
    PlayerHome player("");
    // Slow decoding: the local file plays for many seconds.
    player.home.write(".wavelark/config",
                      configWithSound(player, "decodeInterval = 200\noutBufSize = 4\n"));
    ErrorSound errorSound(player.home.file("error.wl"));
    TestHttpServer server;
    ASSERT_TRUE(server.start());
    server.setRoute("/held", heldStation());
    auto window = makeWindow({server.url("/held")});
    FakeLinkManager *link = fakeLink(window.get());
    RadioStream *stream = window->radioStream();
    ASSERT_TRUE(waitFor([&] { return window->currentLinkId() != -1; }));
    clickMiddle(*window);
    ASSERT_TRUE(waitFor([&] { return showsBufferFigures(*window); }));
    link->reportBroken(window->currentLinkId());
    EXPECT_TRUE(errorSound.waitPlayed());
    ASSERT_TRUE(waitFor([&] { return window->softKeyBar()->middleText() == "Play"; }));
    EXPECT_FALSE(stream->isPlaying());
    EXPECT_EQ(window->statusMarqueeWidget()->text(), QStringLiteral("not connected"));

    // A document opened from outside replaces the list and plays; the link
    // coming and going, or "Disconnect", leave a local file playing.
    const QString local = player.home.write("local.wl", testModuleData(400000));
    QFileOpenEvent open(local);
    QCoreApplication::sendEvent(qApp, &open);
    ASSERT_TRUE(waitFor([&] { return stream->isPlaying(); }));
    EXPECT_EQ(stream->count(), 1u);
    EXPECT_TRUE(stream->isLocal(Selection::Playing));
    link->reportConnected(10);
    EXPECT_EQ(window->currentLinkId(), 10);
    link->reportBroken(10);
    EXPECT_EQ(window->currentLinkId(), -1);
    link->reportConnected(11);
    window->slotLinkDisconnect();
    EXPECT_EQ(window->currentLinkId(), -1);
    EXPECT_EQ(window->statusMarqueeWidget()->text(), QStringLiteral("not connected"));
    EXPECT_TRUE(stream->isPlaying());
    EXPECT_FALSE(errorSound.played());
    window.reset();
    server.stop();
}

TEST(LinkCall, ACallPausesAndThenRestoresThePauseStateFromBeforeIt)
{
    PlayerHome player("");
    TestHttpServer server;
    ASSERT_TRUE(server.start());
    server.setRoute("/held", heldStation());
    auto window = makeWindow({server.url("/held")});
    FakeCallState *call = fakeCall(window.get());
    RadioStream *stream = window->radioStream();
    ASSERT_TRUE(waitFor([&] { return window->currentLinkId() != -1; }));
    clickMiddle(*window);
    ASSERT_TRUE(waitFor([&] { return stream->isPlaying(); }));
    WavelarkBlink *pause = window->pauseLabelWidget();

    call->incoming = 1;
    ASSERT_TRUE(waitFor([&] { return stream->isPaused(); }));
    EXPECT_EQ(pause->text(), QStringLiteral("(paused - in call)"));
    call->incoming = 0;
    call->inCall = 1; // answered: still a call
    window->slotCallHandler();
    EXPECT_TRUE(stream->isPaused());
    call->inCall = 0;
    ASSERT_TRUE(waitFor([&] { return !stream->isPaused(); }));
    EXPECT_EQ(pause->text(), QString());

    // Paused by hand before the call: still paused after it.
    stream->setPaused(true);
    EXPECT_EQ(pause->text(), QStringLiteral("(paused)"));
    call->inCall = 1;
    ASSERT_TRUE(waitFor([&] { return pause->text() == "(paused - in call)"; }));
    call->inCall = 0;
    ASSERT_TRUE(waitFor([&] { return pause->text() == "(paused)"; }));
    EXPECT_TRUE(stream->isPaused());
    EXPECT_TRUE(stream->isPlaying());
    window.reset();
    server.stop();
}

// The system's link, reported up at start-up, starts nothing by itself:
// autoplay starts the station once, from its own timer.
TEST(LinkCall, AutoplayStartsOnceAndTheStartUpLinkStartsNothing)
{
    PlayerHome player("autoPlay = true\n");
    TestHttpServer server;
    ASSERT_TRUE(server.start());
    server.setRoute("/live", heldStation());
    auto window = makeWindow({server.url("/live")});
    ASSERT_TRUE(waitFor([&] { return window->currentLinkId() != -1; }));
    RadioStream *stream = window->radioStream();
    EXPECT_FALSE(stream->isPlaying());
    EXPECT_TRUE(server.requests().isEmpty());

    ASSERT_TRUE(waitFor([&] { return stream->isPlaying() && server.requests().size() == 1; }));
    // Longer than the autoplay delay again: no second start.
    EXPECT_FALSE(waitFor([&] { return server.requests().size() > 1; }, 2000));
    EXPECT_TRUE(stream->isPlaying());
    window.reset();
    server.stop();
}

// A listener watches the window while typing in another: the figures and
// the scrolling go on. Minimized, nobody sees it; shown again, they come back.
TEST(LinkCall, FocusElsewhereKeepsTheFiguresAndMinimizingStopsThem)
{
    PlayerHome player("inBufSize = 128\n");
    TestHttpServer server;
    ASSERT_TRUE(server.start());
    server.setRoute("/held", heldStation());
    auto window = makeWindow({server.url("/held")});
    ASSERT_TRUE(waitFor([&] { return window->currentLinkId() != -1; }));
    clickMiddle(*window);
    ASSERT_TRUE(waitFor([&] { return showsBufferFigures(*window); }));

    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other, 5000));
    EXPECT_FALSE(window->isActiveWindow());
    EXPECT_FALSE(waitFor([&] { return window->isDisplayHidden(); }, 600));
    EXPECT_EQ(window->tagMarqueeWidget()->interval(), window->settings().marqueeInterval);

    window->showMinimized();
    ASSERT_TRUE(waitFor([&] { return window->isDisplayHidden(); }));
    EXPECT_EQ(window->tagMarqueeWidget()->interval(), 0);
    window->showNormal();
    ASSERT_TRUE(waitFor([&] { return !window->isDisplayHidden(); }));
    EXPECT_EQ(window->tagMarqueeWidget()->interval(), window->settings().marqueeInterval);
    window.reset();
    server.stop();
}

TEST(LinkCall, ADarkDisplayStopsBufferFiguresAndScrollingUntilItIsOnAgain)
{
    fakeSourcesStart().displayKnown = true;
    PlayerHome player("inBufSize = 128\n");
    TestHttpServer server;
    ASSERT_TRUE(server.start());
    auto more = std::make_shared<std::atomic<bool>>(false);
    server.setRoute("/held", Reply::make("ICY 200 OK", {}, testModuleData(3000, 1000000))
                                 .waitFor(more)
                                 .trickle(testNoise(8000), std::chrono::milliseconds(20), 500)
                                 .hang());
    auto window = makeWindow({server.url("/held")});
    fakeSourcesStart() = FakeSourcesStart();
    FakeDisplayState *display = fakeDisplay(window.get());
    RadioStream *stream = window->radioStream();
    ASSERT_TRUE(waitFor([&] { return window->currentLinkId() != -1; }));
    clickMiddle(*window);
    static const QRegularExpression held(QStringLiteral("^(buffering|buffered) 3k/128k$"));
    ASSERT_TRUE(
        waitFor([&] { return held.match(window->statusMarqueeWidget()->text()).hasMatch(); }));
    EXPECT_GT(window->tagMarqueeWidget()->interval(), 0);

    display->on = false;
    ASSERT_TRUE(waitFor([&] { return window->isDisplayHidden(); }));
    EXPECT_EQ(window->tagMarqueeWidget()->interval(), 0);
    EXPECT_EQ(window->formatMarqueeWidget()->interval(), 0);
    // More bytes arrive while nobody can see them: the figures stay.
    more->store(true);
    ASSERT_TRUE(waitFor([&] { return stream->holdBufferFill() == 11040; }));
    window->updateNetworkStatus();
    EXPECT_TRUE(held.match(window->statusMarqueeWidget()->text()).hasMatch());

    display->on = true;
    static const QRegularExpression grown(QStringLiteral("^(buffering|buffered) 11k/128k$"));
    ASSERT_TRUE(
        waitFor([&] { return grown.match(window->statusMarqueeWidget()->text()).hasMatch(); }));
    EXPECT_FALSE(window->isDisplayHidden());
    EXPECT_EQ(window->tagMarqueeWidget()->interval(), window->settings().marqueeInterval);
    window.reset();
    server.stop();
}

} // namespace
