// The client on the community station service: a fake of the service on
// 127.0.0.1 answers the genre index, station lists, searches and the click
// call; the same announcements, errors and genre cache as with the XML
// directory.
#include "DirectoryClientFixture.h"
#include "FakeStationService.h"
#include "GenreCache.h"
#include "PlayListItem.h"
#include "WaitUntil.h"

#include <QFile>

#include <csignal>
#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using State = ShoutCast::ShoutCastState;

namespace {

constexpr char kStationQuery[] = "hidebroken=true&order=clickcount&reverse=true&limit=";

TestHttpServer::Reply json(const QByteArray &body)
{
    return TestHttpServer::Reply::make(
        "HTTP/1.1 200 OK", {{"Content-Type", "application/json"}, {"Connection", "close"}}, body);
}

} // namespace

class RadioBrowserClient : public DirectoryClientFixture
{
protected:
    RadioBrowserClient() { source = Source::RadioBrowser; }

    QList<QByteArray> targets() const
    {
        QList<QByteArray> out;
        for (const auto &r : server.requests())
            out.append(r.target);
        return out;
    }
};

TEST_F(RadioBrowserClient, GenresStationsAndSearchesFromTheService)
{
    server.setRoute("/json/tags", json(fake_service::tags()));
    client->fetchGenres();
    ASSERT_TRUE(waitForGenresState(State::StateDone));
    const QStringList expected = {"Search results", "jazz", "Rock & Roll",
                                  QString::fromUtf8("m\u00fasica latina")};
    EXPECT_EQ(genresSeen().front().state, State::StateBegin);
    EXPECT_EQ(names(client->genres()), expected);
    ASSERT_EQ(server.requests().size(), 1);
    EXPECT_EQ(server.requests()[0].target,
              "/json/tags?order=stationcount&reverse=true&hidebroken=true&limit=300");
    EXPECT_TRUE(server.requests()[0].header("User-Agent").startsWith("Wavelark/"));

    // A genre's list arrives in pieces cut inside a station; it is announced
    // whole once it has all arrived.
    const QByteArray body = fake_service::stations();
    const qsizetype cut = body.indexOf("Caf");
    server.setRoute("/json/stations/bytag/jazz",
                    inPieces({body.left(cut), body.mid(cut, 9), body.mid(cut + 9)}));
    ShoutCastGenre *jazz = client->genreAt(1);
    ASSERT_TRUE(client->fetchStations(jazz));
    ASSERT_TRUE(waitForFetchState(jazz, State::StateDone));
    const auto seen = fetchSeen(jazz);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].state, State::StateBegin);
    EXPECT_EQ(seen[0].stations, 4);
    EXPECT_EQ(server.requests().last().target,
              QByteArray("/json/stations/bytag/jazz?") + kStationQuery + "300");
    {
        const auto lock = client->lock();
        ASSERT_EQ(jazz->stations.size(), 4);
        EXPECT_EQ(jazz->stations[0].url, "http://jazz.example/fm91");
        EXPECT_EQ(jazz->stations[1].name, QString::fromUtf8("Radio Caf\u00e9 Z\u00fcrich \u266b"));
        EXPECT_EQ(jazz->stations[1].url, "http://cafe.example/live.ogg");
        EXPECT_EQ(jazz->stations[1].bitrate, 0u);
    }

    // A search with the window's item limit; a name that needs encoding.
    server.setRoute("/json/stations/search", json("[]"));
    client->setStationLimit(25);
    ASSERT_TRUE(client->search("jazz fm"));
    ASSERT_TRUE(waitForFetchState(client->searchGenre(), State::StateDone));
    ASSERT_TRUE(client->fetchStations(client->genreAt(2)));
    ASSERT_TRUE(waitForFetchState(client->genreAt(2), State::StateError));
    const QList<QByteArray> all = targets();
    EXPECT_EQ(all[2], QByteArray("/json/stations/search?name=jazz%20fm&") + kStationQuery + "25");
    EXPECT_EQ(all[3], QByteArray("/json/stations/bytag/Rock%20%26%20Roll?") + kStationQuery + "25");
    for (const auto &r : server.requests())
        EXPECT_TRUE(r.header("User-Agent").startsWith("Wavelark/")) << r.target.constData();
    EXPECT_EQ(fetchSeen(client->searchGenre()).size(), 1u); // nothing found: Done only
    // The unrouted genre got the server's 404: a transfer error, as before.
    ASSERT_TRUE(waitUntil([&] { return sink.errors.size() == 1; }));
    EXPECT_EQ(sink.errors[0].genre, client->genreAt(2));

    // The genre cache of this source is its own file.
    const QString xmlCache = home.file(".wavelark/genre.cache");
    home.write(".wavelark/genre.cache", "Search results\nTop 40\n");
    ASSERT_TRUE(ShoutCast::writeGenreCache(xmlCache, client->genres()));
    EXPECT_EQ(readAllBytes(xmlCache), "Search results\nTop 40\n");
    EXPECT_EQ(readAllBytes(home.file(".wavelark/radiobrowser-genre.cache")),
              expected.join(u'\n').toUtf8() + '\n');
    ShoutCast fresh(nullptr, stream.get());
    ASSERT_TRUE(fresh.readGenreCache(xmlCache));
    EXPECT_EQ(names(fresh.genres()), expected);
}

TEST_F(RadioBrowserClient, MalformedAnswersAreDirectoryErrors)
{
    client->addGenre("Kept");
    // A web page with status 200 where the index was expected.
    server.setRoute("/json/tags", json(fake_service::htmlErrorPage()));
    client->fetchGenres();
    ASSERT_TRUE(waitForGenresState(State::StateError));
    ASSERT_TRUE(waitUntil([&] { return sink.errors.size() == 1; }));
    EXPECT_EQ(sink.errors[0].genre, nullptr);
    EXPECT_EQ(sink.errors[0].text, "Error while fetching genres. Unknown data. The answer is a "
                                   "web page, not the directory's data.");
    EXPECT_EQ(names(client->genres()), (QStringList{"Search results", "Kept"}));

    // A list cut off in the middle: the last list stays.
    ShoutCastGenre *jazz = client->addGenre("jazz");
    server.setRoute("/json/stations/bytag/jazz", json(fake_service::stations()));
    ASSERT_TRUE(client->fetchStations(jazz));
    ASSERT_TRUE(waitForFetchState(jazz, State::StateDone));
    const QByteArray body = fake_service::stations();
    server.setRoute("/json/stations/bytag/jazz", inPieces({body.left(body.size() / 2)}));
    ASSERT_TRUE(client->fetchStations(jazz));
    ASSERT_TRUE(waitForFetchState(jazz, State::StateError));
    ASSERT_TRUE(waitUntil([&] { return sink.errors.size() == 2; }));
    EXPECT_EQ(sink.errors[1].genre, jazz);
    EXPECT_EQ(sink.errors[1].text, "Error while parsing genre data. The answer was cut off.");
    {
        const auto lock = client->lock();
        EXPECT_EQ(jazz->stations.size(), 4);
    }

    // A body past the cap is refused while it arrives, and its transfer
    // stopped: the server would go on sending.
    ShoutCastGenre *big = client->addGenre("big");
    QByteArray huge = "[" + QByteArray(4 << 20, ' ');
    server.setRoute("/json/stations/bytag/big", inPieces({huge, huge, huge}).hang());
    ASSERT_TRUE(client->fetchStations(big));
    ASSERT_TRUE(waitForFetchState(big, State::StateError));
    ASSERT_TRUE(waitUntil([&] { return sink.errors.size() == 3; }));
    EXPECT_EQ(sink.errors[2].text,
              "Error while parsing genre data. The answer is larger than 8388608 bytes.");
    EXPECT_TRUE(waitForNoFetches());
}

TEST_F(RadioBrowserClient, ItemLimitAndTheClickCall)
{
    ShoutCastGenre *jazz = client->addGenre("jazz");
    server.setRoute("/json/stations/bytag/jazz", json(fake_service::stations()));
    // The window stops a list at its item limit, inside the announcement.
    onFetch = [](ShoutCastGenre *genre, State state) {
        if (state == State::StateBegin)
            genre->state = State::StateCancelled;
    };
    ASSERT_TRUE(client->fetchStations(jazz));
    ASSERT_TRUE(waitForFetchState(jazz, State::StateCancelled));
    EXPECT_TRUE(waitForNoFetches());
    for (const auto &seen : fetchSeen(jazz))
        EXPECT_NE(seen.state, State::StateDone);

    // Starting a listed station tells the service, once per start; its
    // answer and failures change nothing.
    StderrCapture log;
    server.setRoute(QByteArray("/json/url/") + fake_service::kJazzFmId,
                    json(R"({"ok":true,"message":"retrieved station url"})"));
    // The entry the window made of the station.
    const PlayListItem item("http://jazz.example/fm91", QString(), QString(), QString(), "jazz",
                            "Jazz FM 91", 128);
    EXPECT_TRUE(client->stationStarted(&item));
    EXPECT_FALSE(client->stationStarted(nullptr));
    EXPECT_FALSE(client->stationStarted("http://bare.example/stream")); // no id
    EXPECT_FALSE(client->stationStarted("http://unlisted.example/"));
    // Unrouted: the server answers 404.
    EXPECT_TRUE(client->stationStarted("http://cafe.example/live.ogg"));
    ASSERT_TRUE(waitForRequests(3));
    EXPECT_TRUE(waitForNoFetches());
    // The two calls run side by side: either may arrive first.
    QList<QByteArray> clicks = targets().mid(1);
    std::sort(clicks.begin(), clicks.end());
    EXPECT_EQ(clicks, (QList<QByteArray>{QByteArray("/json/url/") + fake_service::kJazzFmId,
                                         QByteArray("/json/url/") + fake_service::kCafeId}));
    for (const auto &r : server.requests())
        EXPECT_TRUE(r.header("User-Agent").startsWith("Wavelark/")) << r.target.constData();
    EXPECT_TRUE(sink.errors.empty());
    EXPECT_FALSE(log.text().contains("slotStreamFetch"));
}

namespace {

struct RunResult
{
    int status = -1; // exit status; -1 when it did not end in time
    QByteArray out;
    QByteArray err;
};

// wavelark-headless with the test's environment, its output in files of the
// temporary home.
RunResult runHeadless(const TempHome &home, const QStringList &args)
{
    RunResult r;
    const QByteArray outPath = QFile::encodeName(home.file("headless.out"));
    const QByteArray errPath = QFile::encodeName(home.file("headless.err"));
    std::vector<std::string> strings{WAVELARK_HEADLESS};
    for (const QString &a : args)
        strings.push_back(a.toStdString());
    std::vector<char *> argv;
    for (std::string &s : strings)
        argv.push_back(s.data());
    argv.push_back(nullptr);
    const int out = ::open(outPath.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = ::open(errPath.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const pid_t pid = out >= 0 && err >= 0 ? ::fork() : -1;
    if (pid == 0) {
        ::dup2(out, STDOUT_FILENO);
        ::dup2(err, STDERR_FILENO);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(out);
    ::close(err);
    if (pid < 0)
        return r;
    int status = 0;
    if (!processEventsUntil([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }, 60000)) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        return r;
    }
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128;
    r.out = readAllBytes(QFile::decodeName(outPath));
    r.err = readAllBytes(QFile::decodeName(errPath));
    return r;
}

} // namespace

TEST_F(RadioBrowserClient, HeadlessModesPrintTheServiceAnswers)
{
    server.setRoute("/json/tags", json(fake_service::tags()));
    server.setRoute("/json/stations/bytag/jazz", json(fake_service::stations()));
    server.setRoute("/json/stations/search", json(fake_service::stations()));

    RunResult r = runHeadless(home, {"-t", "30", "--genres"});
    EXPECT_EQ(r.status, 0) << r.err.constData();
    EXPECT_EQ(r.out, "jazz\nRock & Roll\nm\xc3\xbasica latina\n");

    r = runHeadless(home, {"-t", "30", "--stations", "jazz"});
    EXPECT_EQ(r.status, 0) << r.err.constData();
    QList<QByteArray> lines = r.out.split('\n');
    ASSERT_EQ(lines.size(), 5) << r.out.constData();
    EXPECT_EQ(lines[0], "Jazz FM 91\t0\t128\t420\tjazz, smooth jazz\taudio/mpeg\t\t"
                        "http://jazz.example/fm91");
    EXPECT_TRUE(lines[1].startsWith("Radio Caf\xc3\xa9 Z\xc3\xbcrich \xe2\x99\xab\t0\t0\t77\t"));

    r = runHeadless(home, {"-t", "30", "--search", "jazz fm"});
    EXPECT_EQ(r.status, 0) << r.err.constData();
    EXPECT_EQ(r.out.count('\n'), 4);
    EXPECT_EQ(server.requests().last().target,
              QByteArray("/json/stations/search?name=jazz%20fm&") + kStationQuery + "300");

    // A failure: the text on standard error, status 1.
    server.setRoute("/json/tags", json(fake_service::htmlErrorPage()));
    r = runHeadless(home, {"-t", "30", "--genres"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_TRUE(r.err.contains("Error while fetching genres. Unknown data. The answer is a web "
                               "page, not the directory's data.\n"))
        << r.err.constData();
}
