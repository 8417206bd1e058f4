// The station directory through the window's menu, against a directory
// server on 127.0.0.1: the genre index, a genre's stations shown and
// played, kept lists shown again, searches remembered, and failures
// retried and then reported.
#include "DirectoryFetchRecord.h"
#include "FakeSources.h"
#include "GenreBrowser.h"
#include "MenuTestSupport.h"
#include "PlayListItem.h"
#include "SoftKeyBar.h"
#include "StationListView.h"
#include "StderrCapture.h"
#include "TestHttpServer.h"
#include "WavelarkIndicators.h"
#include "WavelarkMarquee.h"
#include "shoutCast.h"
#include "stream.h"

#include <QComboBox>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using Reply = TestHttpServer::Reply;

const QByteArray kXml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

Reply xml(const QByteArray &body)
{
    return Reply::make("HTTP/1.0 200 OK", {{"Content-Type", "text/xml"}}, body);
}

QByteArray stations(const QList<std::pair<int, QByteArray>> &list)
{
    QByteArray body = kXml + "<stationlist>\n<tunein base=\"/sbin/tunein-station.pls\"/>\n";
    for (const auto &[id, name] : list)
        body += "<station name=\"" + name + "\" mt=\"audio/mpeg\" id=\"" + QByteArray::number(id) +
                "\" br=\"128\" genre=\"Jazz\" ct=\"Track " + name + "\" lc=\"5\"/>\n";
    return body + "</stationlist>\n";
}

// The window's directory root is the test server, for one test.
class DirectoryServer
{
public:
    DirectoryServer()
    {
        EXPECT_TRUE(server.start());
        old_ = qgetenv("WAVELARK_DIRECTORY_URL");
        qputenv("WAVELARK_DIRECTORY_URL", server.url("").toUtf8());
    }
    ~DirectoryServer()
    {
        server.stop();
        if (old_.isNull())
            qunsetenv("WAVELARK_DIRECTORY_URL");
        else
            qputenv("WAVELARK_DIRECTORY_URL", old_);
    }
    int requestsFor(const QByteArray &target) const
    {
        int n = 0;
        for (const auto &r : server.requests())
            n += r.target == target ? 1 : 0;
        return n;
    }
    TestHttpServer server;

private:
    QByteArray old_;
};

// Chooses the genre of that row in the genre dialog, with the keys.
DialogScript::Step pickGenre(int row, const QStringList &expectedRows = {})
{
    return [row, expectedRows](QDialog *dialog) {
        auto *browser = dialog->findChild<GenreBrowser *>(QStringLiteral("genreBrowser"));
        ASSERT_NE(browser, nullptr);
        if (!expectedRows.isEmpty()) {
            EXPECT_EQ(browser->names(), expectedRows);
        }
        pressUntil(browser, Qt::Key_Down, [&] { return browser->currentRow() == row; });
        QTest::mouseClick(button(dialog, "OK"), Qt::LeftButton);
    };
}

bool directoryIdle(Wavelark &window)
{
    return !window.directoryIndicatorWidget()->isBlinking() &&
           window.radioStream()->fetchCount() == 0;
}

TEST(DirectoryWindow, GenresStationsPlayedAndKeptListsShownAgain)
{
    DirectoryServer dir;
    TestHttpServer &server = dir.server;
    server.setRoute("/sbin/newxml.phtml",
                    xml(kXml + "<genrelist>\n<genre name=\"Blues\"/>\n<genre name=\"Jazz\"/>\n"
                               "</genrelist>\n"));
    // Jazz comes in two pieces: the second adds to the list on screen.
    const QByteArray jazz = stations({{1, "One"}, {2, "Two"}, {3, "Three"}});
    const qsizetype cut = jazz.indexOf("<station name=\"Two\"");
    server.setRoute("/sbin/newxml.phtml?genre=Jazz",
                    xml(jazz.left(cut)).pause(std::chrono::milliseconds(150)).send(jazz.mid(cut)));
    server.setRoute("/sbin/newxml.phtml?genre=Blues", xml(stations({{7, "Seven"}})));
    server.setRoute("/sbin/tunein-station.pls?id=2",
                    Reply::make("HTTP/1.0 200 OK", {{"Content-Type", "audio/x-scpls"}},
                                "[playlist]\nnumberofentries=1\nFile1=" +
                                    server.url("/live").toUtf8() + "\nTitle1=Two live\n"));
    server.setRoute(
        "/live", Reply::make("ICY 200 OK", {{"icy-name", "Two"}}, testModuleData(100000)).hang());
    MenuHome home("shoutCastMaxItems = 2\n");
    DialogScript script;
    auto window = makeWindow({});
    ASSERT_TRUE(waitFor([&] { return window->currentLinkId() != -1; }));

    // The index: the genre cache is rewritten and the indicator stops.
    ASSERT_TRUE(choose(*window, {"SHOUTcast", "Refresh index"}));
    EXPECT_TRUE(window->directoryIndicatorWidget()->isBlinking());
    const QString cache = home.file(".wavelark/genre.cache");
    ASSERT_TRUE(waitFor([&] { return readAllBytes(cache).contains("Jazz\n"); }));
    EXPECT_EQ(readAllBytes(cache), QByteArray("Search results\nBlues\nJazz\n"));
    ASSERT_TRUE(waitFor([&] { return directoryIdle(*window); }));
    EXPECT_TRUE(window->directoryIndicatorWidget()->text().isEmpty());

    // Jazz: two of its three stations (the item limit), shown at once.
    SectionRecorder seen(window.get());
    script.expect("SHOUTcast genres:", pickGenre(2, {"Search results", "Blues", "Jazz"}));
    ASSERT_TRUE(choose(*window, {"SHOUTcast", "Genres"}));
    const QString tuneIn = server.url("/sbin/tunein-station.pls?id=");
    ASSERT_TRUE(waitFor([&] {
        return playlistUrls(*window) == QStringList({tuneIn + "1", tuneIn + "2"});
    })) << playlistUrls(*window).join('|').toStdString();
    EXPECT_TRUE(
        waitFor([&] { return window->headerLabelWidget()->text() == "-[ Playing 1/2 ]-"; }));
    EXPECT_TRUE(seen.headers.contains("-[ Playing 1/1 ]-")) << seen.headers.join('|').toStdString();
    // A station shows its name (its stream title), not the track it had;
    // the station list shows its bitrate and codec too.
    EXPECT_EQ(window->tagMarqueeWidget()->text(), QStringLiteral("One"));
    auto *rows = window->findChild<StationListView *>(QStringLiteral("stationList"));
    ASSERT_NE(rows, nullptr);
    EXPECT_EQ(rows->list()->model()->index(1, 0).data().toString(),
              QStringLiteral("Two  \u00b7  128 kbit/s MP3"));

    // The second station, played: its tune-in list leads to the stream.
    RadioStream *stream = window->radioStream();
    ASSERT_TRUE(stream->selectIndex(1, Selection::Playing));
    QTest::mouseClick(window->softKeyBar()->middleButton(), Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return dir.requestsFor("/live") == 1 && stream->isPlaying(); }));
    QTest::mouseClick(window->softKeyBar()->middleButton(), Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return !stream->isPlaying(); }));

    // Blues replaces the list; Jazz comes back kept, at the same station,
    // without a new request, and Blues's list is still whole afterwards.
    script.expect("SHOUTcast genres:", pickGenre(1));
    ASSERT_TRUE(choose(*window, {"SHOUTcast", "Genres"}));
    ASSERT_TRUE(waitFor([&] { return playlistUrls(*window) == QStringList{tuneIn + "7"}; }));
    script.expect("SHOUTcast genres:", pickGenre(2));
    ASSERT_TRUE(choose(*window, {"SHOUTcast", "Genres"}));
    ASSERT_TRUE(waitFor([&] { return playlistUrls(*window).size() == 2; }));
    EXPECT_EQ(playlistUrls(*window).at(1), server.url("/live"));
    EXPECT_EQ(playingIndex(*window), 1);
    EXPECT_EQ(dir.requestsFor("/sbin/newxml.phtml?genre=Jazz"), 1);
    script.expect("SHOUTcast genres:", pickGenre(1));
    ASSERT_TRUE(choose(*window, {"SHOUTcast", "Genres"}));
    ASSERT_TRUE(waitFor([&] { return playlistUrls(*window) == QStringList{tuneIn + "7"}; }));
    EXPECT_EQ(dir.requestsFor("/sbin/newxml.phtml?genre=Blues"), 1);
    // "Refresh this genre" asks again.
    ASSERT_TRUE(choose(*window, {"SHOUTcast", "Refresh this genre"}));
    ASSERT_TRUE(waitFor([&] { return dir.requestsFor("/sbin/newxml.phtml?genre=Blues") == 2; }));
    EXPECT_TRUE(script.unexpected.isEmpty()) << script.unexpected.join('|').toStdString();

    // A new "Max items:" reaches every genre already fetched, on OK.
    ASSERT_TRUE(choose(*window, {"SHOUTcast", "Preferences"}));
    auto *maxItems = window->findChild<QSpinBox *>(QStringLiteral("Max items:"));
    ASSERT_NE(maxItems, nullptr);
    maxItems->setValue(0);
    window->slotPrefsShoutCastFinalize();
    int records = 0;
    for (int i = 0; i < window->directory()->genreCount(); ++i) {
        const ShoutCastGenre *genre = window->directory()->genreAt(i);
        if (genre && genre->fetchRecord) {
            ++records;
            EXPECT_EQ(genre->fetchRecord->itemLimit, 0);
        }
    }
    EXPECT_GE(records, 2);
    window.reset();
}

TEST(DirectoryWindow, SearchIsRememberedAndRunsAgainFromTheRecentSearches)
{
    DirectoryServer dir;
    dir.server.setRoute("/sbin/newxml.phtml?search=rock+music",
                        xml(stations({{4, "Rocky"}, {5, "Rolling"}})));
    MenuHome home;
    DialogScript script;
    auto window = makeWindow({});
    ASSERT_TRUE(waitFor([&] { return window->currentLinkId() != -1; }));

    script.expect("Search SHOUTcast for:", typeAndReturn("rock music"));
    ASSERT_TRUE(choose(*window, {"SHOUTcast", "Search"}));
    ASSERT_TRUE(waitFor([&] { return playlistUrls(*window).size() == 2; }));
    EXPECT_EQ(dir.requestsFor("/sbin/newxml.phtml?search=rock+music"), 1);
    EXPECT_TRUE(
        readAllBytes(home.file(".wavelark/config")).contains("shoutCastSearches = rock music"));
    QComboBox *recent = window->recentSearchesBox();
    ASSERT_EQ(recent->count(), 2);
    EXPECT_EQ(recent->itemText(0), QStringLiteral("Recent searches"));

    // Another list, then the results come back without asking again.
    script.expect("Open URL:", typeAndReturn("http://127.0.0.1:9/x"));
    ASSERT_TRUE(choose(*window, {"File", "Open URL"}));
    ASSERT_TRUE(choose(*window, {"SHOUTcast", "Search results"}));
    ASSERT_TRUE(waitFor([&] { return playlistUrls(*window).size() == 2; }));
    EXPECT_EQ(dir.requestsFor("/sbin/newxml.phtml?search=rock+music"), 1);

    // From the box in the open menu: the caption does nothing, a search
    // runs again and closes the menu. The box's list moves with the keys.
    QMenu *menu = window->popupMenu();
    QMenu *directory = menuEntry(*window, {"SHOUTcast"})->menu();
    menu->popup(window->mapToGlobal(QPoint(0, 0)));
    directory->popup(window->mapToGlobal(QPoint(40, 0)));
    ASSERT_TRUE(waitFor([&] { return menu->isVisible() && directory->isVisible(); }));
    recent->showPopup();
    QTest::keyClick(recent->view(), Qt::Key_Space);
    EXPECT_FALSE(
        waitFor([&] { return dir.requestsFor("/sbin/newxml.phtml?search=rock+music") > 1; }, 300));
    EXPECT_TRUE(directory->isVisible());
    recent->showPopup();
    QTest::keyClick(recent->view(), Qt::Key_Down);
    QTest::keyClick(recent->view(), Qt::Key_Space);
    EXPECT_FALSE(menu->isVisible());
    EXPECT_FALSE(directory->isVisible());
    EXPECT_EQ(recent->currentIndex(), 0);
    ASSERT_TRUE(
        waitFor([&] { return dir.requestsFor("/sbin/newxml.phtml?search=rock+music") == 2; }));
    // Cancelling the search forgets the text; nothing is asked for.
    script.expect("Search SHOUTcast for:", clickButton("Cancel"));
    ASSERT_TRUE(choose(*window, {"SHOUTcast", "Search"}));
    EXPECT_TRUE(window->lastSearchText().isEmpty());
    EXPECT_EQ(recent->count(), 2);
    EXPECT_TRUE(script.unexpected.isEmpty()) << script.unexpected.join('|').toStdString();
    window.reset();
}

TEST(DirectoryWindow, FailuresAreRetriedThenReported)
{
    DirectoryServer dir;
    dir.server.setRoute("/sbin/newxml.phtml?genre=Jazz", xml(QByteArray(600, 'x')));
    dir.server.setRoute("/sbin/newxml.phtml", xml(QByteArray(300, 'y')));
    MenuHome home("shoutCastRetries = 3\n");
    home.player.home.write(".wavelark/genre.cache", "Search results\nJazz\n");
    StderrCapture log;
    DialogScript script;
    auto window = makeWindow({});
    ASSERT_TRUE(waitFor([&] { return window->currentLinkId() != -1; }));

    script.expect("SHOUTcast genres:", pickGenre(1, {"Search results", "Jazz"}));
    script.expect("Connection error", [](QDialog *dialog) {
        EXPECT_EQ(dialogText(dialog), QStringLiteral("SHOUTcast: Error while parsing genre data."));
        dialog->accept();
    });
    ASSERT_TRUE(choose(*window, {"SHOUTcast", "Genres"}));
    ASSERT_TRUE(waitFor([&] { return script.done(); }));
    EXPECT_EQ(dir.requestsFor("/sbin/newxml.phtml?genre=Jazz"), 3);
    const QString text = log.text();
    EXPECT_EQ(text.count("SC ERROR Error while parsing genre data.\n"), 3);
    for (const char *line : {"SC RETRIES=1/3\n", "SC RETRIES=2/3\n", "SC RETRIES=3/3\n"})
        EXPECT_TRUE(text.contains(line)) << line;
    EXPECT_FALSE(text.contains("SC RETRIES=4/3"));

    // A failed index is not retried.
    script.expect("Connection error", [](QDialog *dialog) {
        EXPECT_EQ(dialogText(dialog),
                  QStringLiteral("SHOUTcast: Error while fetching genres. Unknown data."));
        dialog->accept();
    });
    ASSERT_TRUE(choose(*window, {"SHOUTcast", "Refresh index"}));
    ASSERT_TRUE(waitFor([&] { return script.done(); }));
    EXPECT_EQ(dir.requestsFor("/sbin/newxml.phtml"), 1);
    EXPECT_EQ(log.text().count("SC RETRIES="), 3);
    // The cached genres are kept.
    EXPECT_EQ(readAllBytes(home.file(".wavelark/genre.cache")),
              QByteArray("Search results\nJazz\n"));
    ASSERT_TRUE(waitFor([&] { return directoryIdle(*window); }));
    EXPECT_TRUE(script.unexpected.isEmpty()) << script.unexpected.join('|').toStdString();
    window.reset();
}

// A first use: no genre is known yet, and no link is up. Genres fetches
// the index (the indicator blinking) and lists it once it is there; the
// stations chosen show their names; the search that waited for the link
// runs when it comes up and starts no stream ("connecting" never shows).
TEST(DirectoryWindow, FirstUseFetchesTheIndexAndShowsStationNames)
{
    DirectoryServer dir;
    TestHttpServer &server = dir.server;
    server.setRoute("/sbin/newxml.phtml",
                    xml(kXml + "<genrelist>\n<genre name=\"Blues\"/>\n<genre name=\"Jazz\"/>\n"
                               "</genrelist>\n")
                        .pause(std::chrono::milliseconds(200)));
    server.setRoute("/sbin/newxml.phtml?genre=Jazz", xml(stations({{1, "One"}, {2, "Two"}})));
    server.setRoute("/sbin/newxml.phtml?search=late", xml(stations({{3, "Late"}})));
    MenuHome home("networkProfile = Default\n");
    DialogScript script;
    fakeSourcesStart().systemLinkUp = false;
    auto window = makeWindow({});
    fakeSourcesStart() = FakeSourcesStart();
    SectionRecorder seen(window.get());

    // The search waits for the link, runs when it is up, and plays nothing.
    script.expect("Search SHOUTcast for:", typeAndReturn("late"));
    ASSERT_TRUE(choose(*window, {"SHOUTcast", "Search"}));
    ASSERT_TRUE(waitFor([&] { return playlistUrls(*window).size() == 1; }));
    ASSERT_TRUE(waitFor([&] { return window->tagMarqueeWidget()->text() == "Late"; }))
        << window->tagMarqueeWidget()->text().toStdString();
    ASSERT_TRUE(waitFor([&] { return directoryIdle(*window); }));
    EXPECT_FALSE(seen.statuses.contains("connecting")) << seen.statuses.join('|').toStdString();
    EXPECT_EQ(window->softKeyBar()->middleText(), QStringLiteral("Play"));
    EXPECT_FALSE(window->radioStream()->isPlaying());

    bool blinked = false;
    script.expect("SHOUTcast genres:", [&](QDialog *dialog) {
        blinked = window->directoryIndicatorWidget()->isBlinking();
        auto *browser = dialog->findChild<GenreBrowser *>(QStringLiteral("genreBrowser"));
        ASSERT_NE(browser, nullptr);
        ASSERT_TRUE(waitFor([&] { return browser->names().size() == 3; }));
        EXPECT_EQ(browser->names(), QStringList({"Search results", "Blues", "Jazz"}));
        pickGenre(2)(dialog);
    });
    ASSERT_TRUE(choose(*window, {"SHOUTcast", "Genres"}));
    EXPECT_TRUE(blinked);
    EXPECT_EQ(dir.requestsFor("/sbin/newxml.phtml"), 1);
    EXPECT_TRUE(waitFor([&] {
        return window->statusMarqueeWidget()->text() == "Genre index: 2 genres";
    })) << window->statusMarqueeWidget()->text().toStdString();
    EXPECT_TRUE(waitFor(
        [&] { return readAllBytes(home.file(".wavelark/genre.cache")).contains("Jazz\n"); }));
    ASSERT_TRUE(waitFor([&] { return playlistUrls(*window).size() == 2; }));
    ASSERT_TRUE(waitFor([&] { return window->tagMarqueeWidget()->text() == "One"; }))
        << window->tagMarqueeWidget()->text().toStdString();

    // Refresh index says that it ran.
    ASSERT_TRUE(choose(*window, {"SHOUTcast", "Refresh index"}));
    ASSERT_TRUE(waitFor([&] { return dir.requestsFor("/sbin/newxml.phtml") == 2; }));
    ASSERT_TRUE(
        waitFor([&] { return window->statusMarqueeWidget()->text() == "Genre index: 2 genres"; }));
    EXPECT_TRUE(script.unexpected.isEmpty()) << script.unexpected.join('|').toStdString();
    window.reset();
}

// The community service's station plays from its list, and the service
// hears that it was started.
TEST(DirectoryWindow, AServiceStationPlaysAndItsStartIsCounted)
{
    MenuHome home;
    TestHttpServer server;
    ASSERT_TRUE(server.start());
    const QByteArray uuid = "0b1c2d3e-4f50-6172-8394-a5b6c7d8e9f0";
    const QByteArray station = "[{\"stationuuid\":\"" + uuid +
                               "\",\"name\":\"Late Jazz\",\"url\":\"\",\"url_resolved\":\"" +
                               server.url("/live").toUtf8() +
                               "\",\"tags\":\"jazz\",\"codec\":\"MP3\",\"bitrate\":128}]";
    server.setRoute(
        "/json/stations/bytag/jazz",
        Reply::make("HTTP/1.0 200 OK", {{"Content-Type", "application/json"}}, station));
    server.setRoute(
        "/live",
        Reply::make("ICY 200 OK", {{"icy-name", "Late Jazz"}}, testModuleData(60000)).hang());
    server.setRoute("/json/url/" + uuid,
                    Reply::make("HTTP/1.0 200 OK", {{"Content-Type", "application/json"}}, "{}"));
    const QByteArray oldXml = qgetenv("WAVELARK_DIRECTORY_URL");
    qunsetenv("WAVELARK_DIRECTORY_URL");
    qputenv("WAVELARK_RADIO_BROWSER_URL", server.url("").toUtf8());
    auto window = makeWindow({});
    qunsetenv("WAVELARK_RADIO_BROWSER_URL");
    if (!oldXml.isNull())
        qputenv("WAVELARK_DIRECTORY_URL", oldXml);

    ShoutCastGenre *jazz = window->directory()->addGenre("jazz");
    int index = -1;
    for (int i = 0; i < window->directory()->genreCount(); ++i)
        if (window->directory()->genreAt(i) == jazz)
            index = i;
    window->showDirectoryList(index, false, false);
    RadioStream *stream = window->radioStream();
    ASSERT_TRUE(waitFor([&] { return stream->count() == 1; }));
    ASSERT_TRUE(waitFor([&] { return window->currentLinkId() != -1; }));
    QTest::mouseClick(window->softKeyBar()->middleButton(), Qt::LeftButton);
    auto counted = [&] {
        for (const auto &request : server.requests())
            if (request.target == "/json/url/" + uuid)
                return true;
        return false;
    };
    EXPECT_TRUE(waitFor(counted));
    EXPECT_TRUE(stream->isPlaying());
    window.reset();
    server.stop();
}

} // namespace
