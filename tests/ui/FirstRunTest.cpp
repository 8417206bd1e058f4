// A first run as a new user starts it: no location given and no favorites,
// so the directory's most listened stations become the playlist and the
// middle soft key plays one; without a directory, the window says what to
// do instead. The directory is a server on 127.0.0.1.
#include "MenuTestSupport.h"
#include "SoftKeyBar.h"
#include "TestHttpServer.h"
#include "WavelarkFirstRun.h"
#include "stream.h"

#include <QFile>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using Reply = TestHttpServer::Reply;

// The window's directory is the community service at the test server, and
// a first run asks it, for one test.
class TopStationsServer
{
public:
    TopStationsServer()
    {
        EXPECT_TRUE(server.start());
        oldXml_ = qgetenv("WAVELARK_DIRECTORY_URL");
        oldRoot_ = qgetenv("WAVELARK_RADIO_BROWSER_URL");
        qunsetenv("WAVELARK_DIRECTORY_URL");
        qputenv("WAVELARK_RADIO_BROWSER_URL", server.url("").toUtf8());
        setFirstRunAsksDirectory(true);
    }
    ~TopStationsServer()
    {
        setFirstRunAsksDirectory(false);
        server.stop();
        restore("WAVELARK_DIRECTORY_URL", oldXml_);
        restore("WAVELARK_RADIO_BROWSER_URL", oldRoot_);
    }
    int topRequests() const
    {
        int n = 0;
        for (const auto &r : server.requests())
            n += r.target.startsWith("/json/stations/topclick/") ? 1 : 0;
        return n;
    }
    TestHttpServer server;

private:
    static void restore(const char *name, const QByteArray &value)
    {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
    QByteArray oldXml_, oldRoot_;
};

QByteArray station(const QByteArray &name, const QString &url, int clicks)
{
    return "{\"stationuuid\":\"uuid-" + name + "\",\"name\":\"" + name + "\",\"url\":\"" +
           url.toUtf8() + "\",\"url_resolved\":\"" + url.toUtf8() +
           "\",\"tags\":\"pop\",\"codec\":\"MP3\",\"bitrate\":128,\"clickcount\":" +
           QByteArray::number(clicks) + "}";
}

} // namespace

TEST(FirstRun, ThePlaylistIsTheDirectorysTopStationsAndTheMiddleKeyPlaysOne)
{
    TopStationsServer dir;
    TestHttpServer &server = dir.server;
    const QByteArray list = "[" + station("Top One", server.url("/one"), 900) + "," +
                            station("Top Two", server.url("/two"), 800) + "," +
                            station("Top Three", server.url("/three"), 700) + "]";
    server.setRoute("/json/stations/topclick/40",
                    Reply::make("HTTP/1.0 200 OK", {{"Content-Type", "application/json"}}, list));
    server.setRoute(
        "/one",
        Reply::make("ICY 200 OK", {{"icy-name", "Top One"}}, testModuleData(100000)).hang());
    MenuHome home;
    DialogScript script;

    // Favorites or a location given: not a first run, the directory is not asked.
    home.player.home.write(".wavelark/favorites.pls",
                           "[playlist]\nNumberOfEntries=1\nFile1=" + server.url("/two").toUtf8() +
                               "\nTitle1=Kept\n");
    makeWindow({}).reset();
    makeWindow({home.song("a.wl")}).reset();
    QFile::remove(home.file(".wavelark/favorites.pls"));
    makeWindow({home.song("b.wl")}).reset();
    // Nor when a station was played before: it comes back instead.
    EXPECT_EQ(playlistUrls(*makeWindow({})), QStringList{"file://" + home.song("b.wl")});
    EXPECT_EQ(dir.topRequests(), 0);
    QFile::remove(home.file(".wavelark/state"));

    auto window = makeWindow({});
    const QStringList expected = {server.url("/one"), server.url("/two"), server.url("/three")};
    ASSERT_TRUE(waitFor([&] { return playlistUrls(*window) == expected; }))
        << playlistUrls(*window).join('|').toStdString();
    EXPECT_EQ(dir.topRequests(), 1);
    const auto requests = server.requests();
    EXPECT_TRUE(requests.first().target.startsWith("/json/stations/topclick/40"))
        << requests.first().target.constData();
    EXPECT_TRUE(requests.first().header("User-Agent").startsWith("Wavelark/"));

    RadioStream *stream = window->radioStream();
    QTest::mouseClick(window->softKeyBar()->middleButton(), Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] {
        int n = 0;
        for (const auto &r : server.requests())
            n += r.target == "/one" ? 1 : 0;
        return n == 1 && stream->isPlaying();
    }));
    QTest::mouseClick(window->softKeyBar()->middleButton(), Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return !stream->isPlaying(); }));
    EXPECT_TRUE(script.unexpected.isEmpty()) << script.unexpected.join('|').toStdString();
}

TEST(FirstRun, WithoutTheDirectoryTheWindowSaysWhatToDoInstead)
{
    TopStationsServer dir; // no route: the list is refused with a 404
    MenuHome home;
    DialogScript script;
    QString shown;
    script.expect("Connection error", [&](QDialog *dialog) {
        shown = dialogText(dialog);
        dialog->accept();
    });
    auto window = makeWindow({});
    ASSERT_TRUE(waitFor([&] { return script.done(); }));
    EXPECT_TRUE(shown.startsWith("The station directory could not be reached"))
        << shown.toStdString();
    EXPECT_TRUE(shown.contains("File → Open URL")) << shown.toStdString();
    EXPECT_EQ(dir.topRequests(), 1);
    EXPECT_EQ(window->radioStream()->count(), 0u);
}
