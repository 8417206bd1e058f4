// Station and song as a listener meets them: the titles of a station join
// the song history as they play, newest first, the window's title and the
// tag section name song and station together, and the View menu's window
// copies a row and clears it. Kept across runs.
#include "HistoryDialog.h"
#include "MenuTestSupport.h"
#include "SoftKeyBar.h"
#include "SongHistory.h"
#include "TestHttpServer.h"
#include "WavelarkMarquee.h"
#include "stream.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using Reply = TestHttpServer::Reply;

QStringList rowsOf(QDialog *dialog)
{
    QStringList rows;
    auto *list = dialog->findChild<QListWidget *>(QStringLiteral("historyRows"));
    for (int i = 0; list && i < list->count(); ++i)
        rows << list->item(i)->text();
    return rows;
}

TEST(HistoryDialog, AStationsTitlesAreKeptNewestFirstCopiedAndCleared)
{
    PlayerHome player("");
    TestHttpServer server;
    ASSERT_TRUE(server.start());
    server.setRoute("/live",
                    Reply::make("ICY 200 OK", {{"icy-metaint", "1000"}, {"icy-name", "Station"}},
                                icyInterleave(testModuleData(200000, 40, 1000), 1000,
                                              {{20, "StreamTitle='First song';"},
                                               {60, "StreamTitle='Second song';"}}))
                        .hang());
    auto window = makeWindow({server.url("/live")});
    ASSERT_TRUE(waitFor([&] { return window->currentLinkId() != -1; }));
    QTest::mouseClick(window->softKeyBar()->middleButton(), Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] {
        return window->windowTitle() ==
               QStringLiteral("Second song \u2014 Station \u2014 Wavelark");
    })) << window->windowTitle().toStdString();
    // The tags show the song; the station's name stays in sight below them.
    ASSERT_TRUE(waitFor([&] { return window->tagMarqueeWidget()->text() == "Second song"; }));
    auto *station = window->findChild<QLabel *>(QStringLiteral("otherTag"));
    ASSERT_NE(station, nullptr);
    EXPECT_TRUE(station->isVisible());
    EXPECT_EQ(station->text(), QStringLiteral("Station"));

    DialogScript script;
    QStringList shown;
    script.expect("Song history", [&shown](QDialog *dialog) {
        shown = rowsOf(dialog);
        QTest::mouseClick(button(dialog, "Copy"), Qt::LeftButton);
        dialog->accept();
    });
    ASSERT_TRUE(choose(*window, {"View", "Song history"}));
    // The test module names its stream too; every title came from the station.
    ASSERT_GE(shown.size(), 2) << shown.join('|').toStdString();
    EXPECT_TRUE(shown[0].endsWith(QStringLiteral("Second song \u2014 Station")));
    for (const QString &row : shown)
        EXPECT_TRUE(row.endsWith(QStringLiteral(" \u2014 Station"))) << row.toStdString();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("Second song \u2014 Station"));

    QTest::mouseClick(window->softKeyBar()->middleButton(), Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return window->windowTitle() == QStringLiteral("Wavelark"); }));
    window.reset();
    server.stop();

    // The next run reads it back; Clear asks, then empties it.
    SongHistory kept(SongHistory::defaultPath());
    kept.load();
    ASSERT_EQ(kept.entries().size(), shown.size());
    window = makeWindow({});
    script.expect("Song history", [&shown](QDialog *dialog) {
        QTest::mouseClick(button(dialog, "Clear"), Qt::LeftButton);
        shown = rowsOf(dialog);
        dialog->accept();
    });
    script.expect("Wavelark", clickButton("OK"));
    ASSERT_TRUE(choose(*window, {"View", "Song history"}));
    EXPECT_EQ(shown, QStringList{QStringLiteral("No song has played yet.")});
    kept.load();
    EXPECT_TRUE(kept.entries().isEmpty());
    EXPECT_TRUE(script.done());
    EXPECT_TRUE(script.unexpected.isEmpty()) << script.unexpected.join('|').toStdString();
}

} // namespace
