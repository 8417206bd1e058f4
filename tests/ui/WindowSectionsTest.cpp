// The window's three sections through whole plays: local files, an ICY
// stream, and a playlist received from a server.
#include "PlayListItem.h"
#include "RadioPlayList.h"
#include "SoftKeyBar.h"
#include "TestHttpServer.h"
#include "UiTestSupport.h"
#include "WavelarkMarquee.h"
#include "stream.h"

#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using Reply = TestHttpServer::Reply;

QString playingUrl(RadioStream *stream)
{
    QString url;
    stream->inspectItem(Selection::Playing, [&](const PlayListItem *item) {
        if (item)
            url = item->url;
    });
    return url;
}

TEST(WindowSections, EmptyListThenTwoLocalFilesPlayedToTheEnd)
{
    PlayerHome player("");
    {
        auto window = makeWindow({});
        window->postSelf(StreamTagsEvent);
        ASSERT_TRUE(waitFor([&] { return window->tagMarqueeWidget()->text() == "not available"; }));
        EXPECT_EQ(window->headerLabelWidget()->text(), QStringLiteral("-[ Playing ]-"));
        EXPECT_EQ(window->formatMarqueeWidget()->text(), QStringLiteral("not available"));
        EXPECT_EQ(window->formatLineWidget()->text(), QString());
    }
    const QString a = player.home.write("a.wl", testModuleData(120000));
    const QString b = player.home.write("b.wl", testModuleData(120000));
    auto window = makeWindow({a, b});
    SectionRecorder seen(window.get());
    ASSERT_TRUE(waitFor([&] { return window->currentLinkId() != -1; }));
    QTest::mouseClick(window->softKeyBar()->middleButton(), Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] {
        return seen.headers.contains("-[ Playing 2/2 ]-") && !window->radioStream()->isPlaying() &&
               window->softKeyBar()->middleText() == "Play";
    }));
    seen.snapshot();
    EXPECT_TRUE(seen.headers.contains("-[ Playing 1/2 ]-"));
    EXPECT_TRUE(seen.formats.contains("Reading file, please wait ..."));
    EXPECT_TRUE(seen.formats.contains("Test PCM, 44100 Hz"));
    EXPECT_TRUE(seen.formatLines.contains("128 kbit/s, Joint Stereo"));
    EXPECT_TRUE(seen.tags.contains("Test Title"));
    EXPECT_TRUE(seen.middleKeys.contains("Stop"));
    // A local item never shows buffer figures.
    EXPECT_EQ(window->statusMarqueeWidget()->text(), QStringLiteral("link available"));
    // The tag entries in their order; empty ones show the placeholder.
    WavelarkMarquee *tags = window->tagMarqueeWidget();
    ASSERT_EQ(tags->pageCount(), 8);
    ASSERT_TRUE(tags->showPage(7));
    EXPECT_EQ(tags->text(), "file://" + b);
    ASSERT_TRUE(tags->showPage(1));
    EXPECT_EQ(tags->text(), QStringLiteral("unspecified"));
}

TEST(WindowSections, IcyTitleIsPlainTextAndTheStatusShowsTheBuffer)
{
    PlayerHome player("inBufSize = 128\n");
    TestHttpServer server;
    ASSERT_TRUE(server.start());
    const QByteArray title = "<b>x</b><img src=y>";
    Reply live = Reply::make("ICY 200 OK", {{"icy-metaint", "1000"}, {"icy-name", "Station"}},
                             icyInterleave(testModuleData(100000, 40, 1000), 1000,
                                           {{80, "StreamTitle='" + title + "';"}}));
    server.setRoute("/live", live);
    // The module never accepts these bytes: they stay in the hold buffer.
    Reply held = Reply::make("ICY 200 OK", {{"icy-name", "Held"}}, testModuleData(3000, 1000000));
    server.setRoute("/held", held.hang());
    DialogCatcher dialogs;
    auto window = makeWindow({server.url("/live"), server.url("/held")});
    SectionRecorder seen(window.get());
    ASSERT_TRUE(waitFor([&] { return window->currentLinkId() != -1; }));
    QTest::mouseClick(window->softKeyBar()->middleButton(), Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return seen.tags.contains(QString(title)); }))
        << (seen.tags + dialogs.texts).join("|").toStdString();
    EXPECT_EQ(window->tagMarqueeWidget()->textFormat(), Qt::PlainText);
    ASSERT_FALSE(window->isDisplayHidden());
    static const QRegularExpression any(QStringLiteral("^(buffering|buffered) \\d+k/128k$"));
    ASSERT_TRUE(waitFor([&] {
        return any.match(window->statusMarqueeWidget()->text()).hasMatch();
    })) << seen.statuses.join('|').toStdString();
    EXPECT_TRUE(seen.statuses.contains("connecting"));
    EXPECT_EQ(window->softKeyBar()->middleText(), QStringLiteral("Stop"));

    // At its end the next item starts by itself.
    RadioStream *stream = window->radioStream();
    ASSERT_TRUE(waitFor([&] { return stream->isPlaying() && stream->holdBufferFill() == 3040; }));
    window->updateNetworkStatus();
    // 3040 bytes: 2 KiB and a part, rounded up.
    static const QRegularExpression exact(QStringLiteral("^(buffering|buffered) 3k/128k$"));
    EXPECT_TRUE(exact.match(window->statusMarqueeWidget()->text()).hasMatch())
        << window->statusMarqueeWidget()->text().toStdString();
    QTest::mouseClick(window->softKeyBar()->middleButton(), Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return window->softKeyBar()->middleText() == "Play"; }));
    EXPECT_EQ(window->statusMarqueeWidget()->text(), QStringLiteral("link available"));
    window.reset();
    server.stop();
}

// A station's playlist: merged into the playing item, or replacing the list.
TEST(WindowSections, ReceivedPlaylistIsMergedOrReplacesTheList)
{
    for (const bool single : {true, false}) {
        PlayerHome player(single ? "" : "playListSingle = false\n");
        TestHttpServer server;
        ASSERT_TRUE(server.start());
        server.setRoute("/live", Reply::make("ICY 200 OK", {{"icy-name", "Station"}}).hang());
        const QByteArray pls =
            "[playlist]\nnumberofentries=2\nFile1=" + server.url("/live").toUtf8() +
            "\nTitle1=First\nFile2=" + server.url("/other").toUtf8() + "\nTitle2=Second\n";
        server.setRoute("/list.pls",
                        Reply::make("HTTP/1.0 200 OK", {{"Content-Type", "audio/x-scpls"}}, pls));
        auto window = makeWindow({server.url("/list.pls")});
        ASSERT_TRUE(waitFor([&] { return window->currentLinkId() != -1; }));
        QTest::mouseClick(window->softKeyBar()->middleButton(), Qt::LeftButton);
        RadioStream *stream = window->radioStream();
        ASSERT_TRUE(waitFor([&] { return playingUrl(stream) == server.url("/live"); }));
        ASSERT_TRUE(waitFor([&] {
            for (const auto &r : server.requests())
                if (r.target == "/live")
                    return true;
            return false;
        }));
        EXPECT_EQ(stream->count(), single ? 1u : 2u);
        EXPECT_TRUE(stream->isPlaying());
        window.reset();
        server.stop();
    }
}

} // namespace
