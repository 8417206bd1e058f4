// The genre index through the real stream: pieces, refusal, an empty index,
// stale data, and the queries made from the names it gave.
#include "DirectoryClientFixture.h"

using State = ShoutCast::ShoutCastState;

namespace {

const QByteArray kIndexHead = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

} // namespace

using GenreIndexClient = DirectoryClientFixture;

TEST_F(GenreIndexClient, ReplacesTheListWithTheIndexArrivingInPieces)
{
    client->addGenre("Old");
    const QByteArray body = kIndexHead +
                            "<genrelist>\n<genre name=\"Blues\"/>\n<genre name=\"Jazz\"/>\n"
                            "<genre name=\"Rock &amp; Roll\"/>\n<genre name=\"Top 40\"/>\n"
                            "<genre name=\"Blues\"/>\n</genrelist>\n";
    const qsizetype cut = body.indexOf("Jazz") + 2;
    server.setRoute("/sbin/newxml.phtml", inPieces({body.left(cut), body.mid(cut)}));
    client->fetchGenres();
    ASSERT_TRUE(waitForGenresState(State::StateDone));

    const QStringList expected = {"Search results", "Blues",  "Jazz",
                                  "Rock & Roll",    "Top 40", "Blues"};
    const auto seen = genresSeen();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].state, State::StateBegin);
    EXPECT_EQ(seen[0].names, QStringList{"Search results"});
    EXPECT_EQ(seen[1].names, expected);
    EXPECT_EQ(names(client->genres()), expected);
    EXPECT_EQ(client->searchGenre(), client->genreAt(0));
    EXPECT_TRUE(sink.errors.empty());
    ASSERT_EQ(server.requests().size(), 1);
    EXPECT_EQ(server.requests()[0].target, "/sbin/newxml.phtml");

    // A decoded name is queried percent-encoded.
    server.setRoute("/sbin/newxml.phtml", inPieces({stationList("")}));
    ASSERT_TRUE(client->fetchStations(client->genreAt(3)));
    ASSERT_TRUE(waitForRequests(2));
    EXPECT_EQ(server.requests()[1].target, "/sbin/newxml.phtml?genre=Rock%20%26%20Roll");
}

TEST_F(GenreIndexClient, RefusesAnIndexRecognisedTooLate)
{
    client->addGenre("Kept");
    // "<genrelist>" only after more than 256 bytes; the connection then stays open.
    TestHttpServer::Reply reply = inPieces({kIndexHead + QByteArray(300, ' ')});
    reply.pause(std::chrono::milliseconds(40)).send("<genrelist><genre name=\"Late\"/>").hang();
    server.setRoute("/sbin/newxml.phtml", reply);
    client->fetchGenres();
    ASSERT_TRUE(waitForGenresState(State::StateError));
    ASSERT_TRUE(waitUntil([&] { return !sink.errors.empty(); }));
    EXPECT_EQ(sink.errors[0].genre, nullptr);
    EXPECT_EQ(sink.errors[0].text, "Error while fetching genres. Unknown data.");
    EXPECT_EQ(names(client->genres()), (QStringList{"Search results", "Kept"}));
    // Refusing stops the fetch although the server never closes.
    EXPECT_TRUE(waitForNoFetches());
    for (const auto &seen : genresSeen())
        EXPECT_EQ(seen.state, State::StateError);
}

TEST_F(GenreIndexClient, AnAnswerThatIsNoIndexIsAnError)
{
    // A short page that ends before 256 bytes without being an index.
    server.setRoute("/sbin/newxml.phtml", inPieces({"<html>Try again later</html>\n"}));
    client->fetchGenres();
    ASSERT_TRUE(waitForGenresState(State::StateError));
    ASSERT_TRUE(waitUntil([&] { return !sink.errors.empty(); }));
    EXPECT_EQ(sink.errors[0].text, "Error while fetching genres. Unknown data.");
    EXPECT_EQ(genresSeen().size(), 1u);
}

TEST_F(GenreIndexClient, EmptyIndexLeavesOnlyTheSearchResults)
{
    client->addGenre("Gone");
    server.setRoute("/sbin/newxml.phtml", inPieces({kIndexHead + "<genrelist>\n</genrelist>\n"}));
    client->fetchGenres();
    ASSERT_TRUE(waitForGenresState(State::StateDone));
    const auto seen = genresSeen();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1].names, QStringList{"Search results"});
    EXPECT_EQ(client->genreCount(), 1);
}

TEST_F(GenreIndexClient, NewIndexStopsStationFetchesAndDropsStaleChunks)
{
    ShoutCastGenre *jazz = client->addGenre("Jazz");
    server.setRoute("/sbin/newxml.phtml", TestHttpServer::Reply().hang());
    ASSERT_TRUE(client->fetchStations(jazz));
    const unsigned stationFetch = jazz->fetchId;
    client->fetchGenres();
    // The genre's fetch was cancelled and announced so.
    ASSERT_TRUE(waitForFetchState(jazz, State::StateCancelled));
    {
        const auto lock = client->lock();
        EXPECT_EQ(jazz->state, State::StateCancelled);
    }

    // The end of the cancelled fetch changes nothing and is not logged; a
    // chunk of a fetch the client never started is logged and dropped.
    StderrCapture capture;
    client->slotStreamFetch(stationFetch, nullptr);
    EXPECT_EQ(capture.bytes(), "");
    const QByteArray chunk = kIndexHead + "<genrelist><genre name=\"X\"/>";
    client->slotStreamFetch(client->listFetchId() + 100, &chunk);
    EXPECT_EQ(capture.bytes(), "shoutCast(163): slotStreamFetch\n");
    EXPECT_EQ(client->genreCount(), 2);
    EXPECT_EQ(fetchSeen(jazz).back().state, State::StateCancelled);
}
