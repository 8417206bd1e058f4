// A failing item: retried while retries are left if remote, then skipped
// or shown in the "Connection error" dialog.
#include "AudioOps.h"
#include "SoftKeyBar.h"
#include "StderrCapture.h"
#include "TestHttpServer.h"
#include "UiTestSupport.h"
#include "WavelarkMarquee.h"
#include "stream.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

namespace {

using Reply = TestHttpServer::Reply;

// A URL nothing listens on: every connection is refused.
QString deadUrl()
{
    TestHttpServer server;
    EXPECT_TRUE(server.start());
    const QString url = server.url("/gone");
    server.stop();
    return url;
}

void play(Wavelark &window)
{
    ASSERT_TRUE(waitFor([&] { return window.currentLinkId() != -1; }));
    QTest::mouseClick(window.softKeyBar()->middleButton(), Qt::LeftButton);
}

TEST(WindowErrors, RemoteItemIsRetriedTwiceThenTheErrorDialogShows)
{
    PlayerHome player("");
    const QString retrySound = player.home.file("retry.wav");
    player.home.write(".wavelark/config", "readInterval = 10\ndecodeInterval = 5\n"
                                          "streamRetries = 3\nretrySound = " +
                                              retrySound.toUtf8() + '\n');
    StderrCapture log;
    DialogCatcher dialogs;
    auto window = makeWindow({deadUrl()});
    play(*window);
    ASSERT_TRUE(waitFor([&] { return !dialogs.titles.isEmpty(); }));
    const QString text = log.text();
    const qsizetype first = text.indexOf("RETRY 1/3\n");
    const qsizetype second = text.indexOf("RETRY 2/3\n");
    const qsizetype third = text.indexOf("RETRY 3/3\n");
    EXPECT_TRUE(first >= 0 && first < second && second < third) << text.toStdString();
    EXPECT_FALSE(text.contains("RETRY 4/3"));
    // A retry sound for each retry, none for the last failure.
    EXPECT_EQ(text.count("playSound(): " + retrySound + '\n'), 2);
    EXPECT_EQ(dialogs.titles.at(0), QStringLiteral("Connection error"));
    EXPECT_FALSE(dialogs.texts.at(0).isEmpty());
    EXPECT_EQ(dialogs.texts.at(0), window->formatMarqueeWidget()->text());
    EXPECT_FALSE(window->radioStream()->isPlaying());
    EXPECT_FALSE(waitFor([&] { return dialogs.titles.size() > 1; }, 300));
}

TEST(WindowErrors, WithSkipBadFilesTheNextItemPlaysInstead)
{
    PlayerHome player("streamRetries = 3\nskipBadFiles = true\n");
    const QString local = player.home.write("next.wl", testModuleData(40000));
    StderrCapture log;
    DialogCatcher dialogs;
    auto window = makeWindow({deadUrl(), local});
    SectionRecorder seen(window.get());
    play(*window);
    ASSERT_TRUE(waitFor([&] { return seen.tags.contains("Test Title"); }));
    EXPECT_TRUE(window->headerLabelWidget()->text() == "-[ Playing 2/2 ]-" ||
                seen.headers.contains("-[ Playing 2/2 ]-"));
    EXPECT_TRUE(log.text().contains("RETRY 3/3"));
    EXPECT_TRUE(dialogs.titles.isEmpty());
}

TEST(WindowErrors, LocalItemIsNeverRetried)
{
    PlayerHome player("streamRetries = 3\n");
    const QString junk = player.home.write("junk.wl", QByteArray(300000, 'j'));
    StderrCapture log;
    DialogCatcher dialogs;
    auto window = makeWindow({junk});
    play(*window);
    ASSERT_TRUE(waitFor([&] { return !dialogs.titles.isEmpty(); }, 30000));
    EXPECT_FALSE(log.text().contains("RETRY"));
    EXPECT_EQ(dialogs.texts.at(0), QStringLiteral("unknown file format"));
}

// Errors nobody saw: a sound device that cannot be opened, and an HTTP Live
// Streaming station whose segments are missing. Both say why in the error
// dialog.
TEST(WindowErrors, AFailedSoundDeviceAndAnHlsStreamAreShown)
{
    PlayerHome player("");
    TestHttpServer server;
    ASSERT_TRUE(server.start());
    server.setRoute("/live.m3u8", Reply::make("HTTP/1.0 200 OK",
                                              {{"Content-Type", "application/vnd.apple.mpegurl"}},
                                              "#EXTM3U\n#EXT-X-VERSION:3\n#EXT-X-TARGETDURATION:6\n"
                                              "#EXT-X-MEDIA-SEQUENCE:120\n#EXTINF:6.0,\nseg120.ts\n"
                                              "#EXTINF:6.0,\nseg121.ts\n"));
    DialogCatcher dialogs;
    auto window = makeWindow({server.url("/live.m3u8")});
    play(*window);
    ASSERT_TRUE(waitFor([&] { return !dialogs.titles.isEmpty(); }));
    EXPECT_EQ(dialogs.titles.at(0), QStringLiteral("Connection error"));
    EXPECT_TRUE(dialogs.texts.at(0).startsWith("a segment could not be fetched: "))
        << dialogs.texts.at(0).toStdString();
    EXPECT_EQ(window->radioStream()->count(), 1) << "the segments are not stations";
    window.reset();

    // The device the window shares refuses to open (as a busy or missing card).
    AudioOps *ops = sharedAudioOps();
    const AudioOps saved = *ops;
    ops->open = [](void *) { return EBUSY; };
    const QString song = player.home.write("song.wl", testModuleData(40000));
    window = makeWindow({song});
    play(*window);
    ASSERT_TRUE(waitFor([&] { return dialogs.titles.size() == 2; }));
    *ops = saved;
    EXPECT_EQ(dialogs.texts.at(1),
              "sound output could not be opened: " + QString::fromLocal8Bit(std::strerror(EBUSY)));
    EXPECT_FALSE(window->radioStream()->isPlaying());
    // Once: the file itself is fine and is not marked bad.
    EXPECT_FALSE(waitFor([&] { return dialogs.titles.size() > 2; }, 500));
    EXPECT_FALSE(window->radioStream()->isBad(Selection::Playing));
    window.reset();
    server.stop();
}

} // namespace
