// Station lists and searches through the real stream: pieces and their
// announcements, the receiver's item limit, refusal, transfer errors and the
// queries the server receives.
#include "DirectoryClientFixture.h"

using State = ShoutCast::ShoutCastState;

namespace {

QByteArray station(int id, const QByteArray &name, const QByteArray &br = "128")
{
    return "<station name=\"" + name + "\" mt=\"audio/mpeg\" id=\"" + QByteArray::number(id) +
           "\" br=\"" + br + "\" genre=\"Jazz\" ct=\"Now &amp; then\" lc=\"" +
           QByteArray::number(id * 10) + "\"/>\n";
}

} // namespace

using StationListClient = DirectoryClientFixture;

TEST_F(StationListClient, AnnouncesStationsPieceByPiece)
{
    ShoutCastGenre *jazz = client->addGenre("Jazz");
    const QByteArray second = station(2, "Two", "abc");
    const QByteArray body =
        stationList(station(1, "One") + second + station(2, "Two again") + station(3, "Three"));
    // The second station is cut in the middle; the header comes first.
    const qsizetype cut = body.indexOf(second) + 20;
    const qsizetype head = body.indexOf("<station");
    server.setRoute("/sbin/newxml.phtml",
                    inPieces({body.left(head), body.mid(head, cut - head), body.mid(cut)}));
    ASSERT_TRUE(client->fetchStations(jazz));
    ASSERT_TRUE(waitForFetchState(jazz, State::StateDone));

    const auto seen = fetchSeen(jazz);
    ASSERT_GE(seen.size(), 2u);
    // The first announcement carries stations, later pieces come as data,
    // the count never shrinks, and the end is announced once.
    EXPECT_EQ(seen.front().state, State::StateBegin);
    EXPECT_GT(seen.front().stations, 0);
    for (size_t i = 1; i + 1 < seen.size(); ++i) {
        EXPECT_EQ(seen[i].state, State::StateData);
        EXPECT_GE(seen[i].stations, seen[i - 1].stations);
    }
    EXPECT_EQ(seen.back().state, State::StateDone);
    EXPECT_EQ(seen.back().stations, 4);

    const auto lock = client->lock();
    ASSERT_EQ(jazz->stations.size(), 4);
    const ShoutCastStation &one = jazz->stations[0];
    EXPECT_EQ(one.name, "One");
    EXPECT_EQ(one.currentTrack, "Now & then");
    EXPECT_EQ(one.listeners, 10ul);
    EXPECT_EQ(one.url, server.url("/sbin/tunein-station.pls?id=1"));
    EXPECT_EQ(jazz->stations[1].bitrate, 0u);
    EXPECT_EQ(jazz->stations[1].url, jazz->stations[2].url);
    EXPECT_EQ(jazz->state, State::StateDone);
    EXPECT_TRUE(sink.errors.empty());
    // The XML directory takes no click call.
    EXPECT_FALSE(client->stationStarted(one.url));
}

TEST_F(StationListClient, ReceiverItemLimitStopsTheFetch)
{
    ShoutCastGenre *jazz = client->addGenre("Jazz");
    // The header, then twelve stations one per piece, then the server keeps
    // the connection open: only the cancellation can end this fetch.
    QByteArray head = stationList("");
    head.chop(qsizetype(sizeof("</stationlist>\n") - 1));
    std::vector<QByteArray> pieces{head};
    for (int id = 1; id <= 12; ++id)
        pieces.push_back(station(id, "S" + QByteArray::number(id)));
    server.setRoute("/sbin/newxml.phtml", inPieces(pieces).hang());
    onFetch = [](ShoutCastGenre *genre, State) {
        if (genre->stations.size() >= 10)
            genre->state = State::StateCancelled;
    };
    ASSERT_TRUE(client->fetchStations(jazz));
    ASSERT_TRUE(waitForFetchState(jazz, State::StateCancelled));
    EXPECT_TRUE(waitForNoFetches());
    for (const auto &seen : fetchSeen(jazz)) {
        EXPECT_NE(seen.state, State::StateDone);
        EXPECT_NE(seen.state, State::StateError);
    }
    const auto lock = client->lock();
    EXPECT_GE(jazz->stations.size(), 10);
    EXPECT_LE(jazz->stations.size(), 12);
}

TEST_F(StationListClient, RefusesAListWithoutHeaderWithin512Bytes)
{
    ShoutCastGenre *jazz = client->addGenre("Jazz");
    TestHttpServer::Reply reply =
        inPieces({"<?xml version=\"1.0\"?>", QByteArray(300, ' '), QByteArray(300, ' ')});
    server.setRoute("/sbin/newxml.phtml", reply.hang());
    ASSERT_TRUE(client->fetchStations(jazz));
    ASSERT_TRUE(waitForFetchState(jazz, State::StateError));
    ASSERT_TRUE(waitUntil([&] { return !sink.errors.empty(); }));
    EXPECT_EQ(sink.errors[0].genre, jazz);
    EXPECT_EQ(sink.errors[0].text, "Error while parsing genre data.");
    EXPECT_TRUE(waitForNoFetches());
    // Nothing was announced before the refusal: there was nothing to show.
    EXPECT_EQ(fetchSeen(jazz).size(), 1u);
}

TEST_F(StationListClient, TransferErrorIsReportedWithItsText)
{
    ShoutCastGenre *jazz = client->addGenre("Jazz");
    // The answer promises more than it sends.
    const QByteArray body = stationList(station(1, "One"));
    server.setRoute(
        "/sbin/newxml.phtml",
        TestHttpServer::Reply::make(
            "HTTP/1.1 200 OK",
            {{"Content-Length", QByteArray::number(body.size() + 500)}, {"Connection", "close"}},
            body));
    ASSERT_TRUE(client->fetchStations(jazz));
    ASSERT_TRUE(waitForFetchState(jazz, State::StateError));
    ASSERT_TRUE(waitUntil([&] { return !sink.errors.empty(); }));
    EXPECT_EQ(sink.errors[0].genre, jazz);
    EXPECT_EQ(sink.errors[0].text,
              QStringLiteral("transfer closed with 500 bytes remaining to read"));
    ASSERT_EQ(sink.errors.size(), 1u);
}

TEST_F(StationListClient, QueriesAsTheServerReceivesThem)
{
    server.setRoute("/sbin/newxml.phtml", inPieces({stationList("")}));
    EXPECT_FALSE(client->search(""));
    EXPECT_FALSE(client->fetchStations(nullptr));
    ShoutCastGenre stray("Stray");
    EXPECT_FALSE(client->fetchStations(&stray));

    ASSERT_TRUE(client->search("rock music"));
    ASSERT_TRUE(client->fetchStations(client->addGenre("Top 40")));
    // A new search replaces the running one: wait until that one was sent.
    ASSERT_TRUE(waitForRequests(2));
    ASSERT_TRUE(client->search("drum & bass"));
    ASSERT_TRUE(waitForRequests(3));
    QList<QByteArray> targets;
    for (const auto &request : server.requests())
        targets.append(request.target);
    std::sort(targets.begin(), targets.end());
    EXPECT_EQ(targets, (QList<QByteArray>{"/sbin/newxml.phtml?genre=Top%2040",
                                          "/sbin/newxml.phtml?search=drum+%26+bass",
                                          "/sbin/newxml.phtml?search=rock+music"}));
    EXPECT_EQ(client->searchText(), "drum & bass");
    // The XML directory is asked as before: no agent of our own.
    for (const auto &request : server.requests())
        EXPECT_TRUE(request.header("User-Agent").isNull());
}
