// The station list as a person uses it with the mouse: shown from the View
// menu, rows named as the playlist file or the station names them, a filter,
// the browse selection both ways, a double click that plays, Delete, and
// the list's place remembered for the next start.
#include "MenuTestSupport.h"
#include "PlayListItem.h"
#include "SoftKeyBar.h"
#include "StationListModel.h"
#include "StationListView.h"
#include "TestHttpServer.h"
#include "stream.h"

#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using Reply = TestHttpServer::Reply;

QStringList rows(StationListView *view)
{
    QStringList out;
    QAbstractItemModel *model = view->list()->model();
    for (int i = 0; i < model->rowCount(); ++i)
        out << model->index(i, 0).data().toString();
    return out;
}

QPoint rowCenter(StationListView *view, int row)
{
    return view->list()->visualRect(view->list()->model()->index(row, 0)).center();
}

TEST(StationList, APersonPicksAndPlaysAStationWithTheMouse)
{
    PlayerHome player("");
    TestHttpServer server;
    ASSERT_TRUE(server.start());
    server.setRoute("/b",
                    Reply::make("ICY 200 OK", {{"icy-metaint", "1000"}, {"icy-name", "Beta FM"}},
                                icyInterleave(testModuleData(400000), 1000, {}))
                        .hang());
    const QString pls = player.home.write(
        "list.pls", "[playlist]\nnumberofentries=3\nFile1=http://127.0.0.1:9/a\nTitle1=First\n"
                    "File2=" +
                        server.url("/b").toUtf8() + "\nFile3=http://127.0.0.1:9/c\n");
    auto window = makeWindow({pls});
    ASSERT_TRUE(waitFor([&] { return window->currentLinkId() != -1; }));
    auto *view = window->findChild<StationListView *>(QStringLiteral("stationList"));
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(view->isHidden()) << "the phone's window until the list is asked for";
    const int narrow = window->width();

    ASSERT_TRUE(choose(*window, {"View", "Station list"}));
    ASSERT_TRUE(waitFor([&] { return rows(view).size() == 3; }));
    EXPECT_FALSE(view->isHidden());
    EXPECT_GE(window->width(), narrow + 200) << "beside the sections, not squeezing them";
    EXPECT_EQ(rows(view), QStringList({QStringLiteral("\u25b6 First"), server.url("/b"),
                                       QStringLiteral("http://127.0.0.1:9/c")}));

    QTest::keyClicks(view->filter(), "fir");
    EXPECT_EQ(rows(view), QStringList{QStringLiteral("\u25b6 First")});
    view->filter()->clear();

    // A click browses; the browse keys' moves show in the list.
    RadioStream *stream = window->radioStream();
    QTest::mouseClick(view->list()->viewport(), Qt::LeftButton, {}, rowCenter(view, 2));
    ASSERT_TRUE(waitFor([&] { return stream->currentIndex(Selection::Browse) == 2; }));
    EXPECT_TRUE(window->transport().browseMode());
    EXPECT_EQ(stream->currentIndex(Selection::Playing), 0);

    // A double click plays the row; the station's own name replaces the address.
    // A person's double click: a click, then the second press.
    QTest::mouseClick(view->list()->viewport(), Qt::LeftButton, {}, rowCenter(view, 1));
    QTest::mouseDClick(view->list()->viewport(), Qt::LeftButton, {}, rowCenter(view, 1));
    ASSERT_TRUE(waitFor([&] {
        return stream->isPlaying() && rows(view).value(1) == QStringLiteral("\u25b6 Beta FM");
    })) << rows(view).join('|').toStdString()
        << [&] {
               QString fields;
               stream->inspectItem(Selection::Playing, [&](const PlayListItem *item) {
                   fields = item->title + "|" + item->streamTitle + "|" + item->icyHeader;
               });
               return fields.toStdString();
           }();
    EXPECT_EQ(stream->currentIndex(Selection::Playing), 1);
    EXPECT_FALSE(window->transport().browseMode());
    EXPECT_EQ(rows(view).value(0), QStringLiteral("First")) << "the playlist's name stays";

    // Delete removes the row as the remove command does.
    view->list()->setCurrentIndex(view->list()->model()->index(2, 0));
    QTest::keyClick(view->list(), Qt::Key_Delete);
    ASSERT_TRUE(waitFor([&] { return rows(view).size() == 2; }));
    EXPECT_EQ(stream->count(), 2u);
    QTest::mouseClick(window->softKeyBar()->middleButton(), Qt::LeftButton);
    window.reset();
    server.stop();

    window = makeWindow({pls});
    view = window->findChild<StationListView *>(QStringLiteral("stationList"));
    EXPECT_FALSE(view->isHidden()) << "shown again after a restart";
    ASSERT_TRUE(choose(*window, {"View", "Station list"}));
    EXPECT_TRUE(view->isHidden());
}

} // namespace
