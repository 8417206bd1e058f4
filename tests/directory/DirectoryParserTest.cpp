// The station-list parser, its element tokenizer and the genre-index parser,
// each fed the same bytes whole, one byte at a time and in random pieces.
#include "GenreIndexParser.h"
#include "StationListParser.h"
#include "StationTokenizer.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

const QString kRoot = QStringLiteral("http://dir.test");

// The body cut into pieces: whole, bytewise, and three random splits.
std::vector<std::vector<QByteArray>> splits(const QByteArray &body)
{
    std::vector<std::vector<QByteArray>> out;
    out.push_back({body});
    std::vector<QByteArray> bytes;
    for (char c : body)
        bytes.push_back(QByteArray(1, c));
    out.push_back(bytes);
    for (unsigned seed = 1; seed <= 3; ++seed) {
        std::mt19937 rng(seed);
        std::vector<QByteArray> pieces;
        for (qsizetype at = 0; at < body.size();) {
            const qsizetype n = qMin<qsizetype>(1 + rng() % 40, body.size() - at);
            pieces.push_back(body.mid(at, n));
            at += n;
        }
        out.push_back(pieces);
    }
    return out;
}

QByteArray stationList(const QByteArray &stations,
                       const QByteArray &tuneIn = R"(<tunein base="/sbin/tunein-station.pls"/>)")
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<stationlist>\n" +
           tuneIn + "\n" + stations + "</stationlist>\n";
}

struct Fed
{
    QList<ShoutCastStation> stations;
    bool refused = false;
    int refusedAtPiece = -1;
    StationListParser parser;
};

Fed feedStations(const std::vector<QByteArray> &pieces)
{
    Fed fed;
    for (size_t i = 0; i < pieces.size() && !fed.refused; ++i) {
        if (fed.parser.feed(pieces[i], fed.stations, kRoot) ==
            StationListParser::Outcome::Refused) {
            fed.refused = true;
            fed.refusedAtPiece = int(i);
        }
    }
    return fed;
}

void expectStation(const ShoutCastStation &s, const QString &name, qint32 id, quint32 br,
                   unsigned long lc, const QString &genre, const QString &mt, const QString &ct)
{
    EXPECT_EQ(s.name, name);
    EXPECT_EQ(s.id, id);
    EXPECT_EQ(s.bitrate, br);
    EXPECT_EQ(s.listeners, lc);
    EXPECT_EQ(s.genre, genre);
    EXPECT_EQ(s.mimeType, mt);
    EXPECT_EQ(s.currentTrack, ct);
}

} // namespace

TEST(StationListParser, GivesTheSameStationsForEverySplit)
{
    const QByteArray body =
        stationList("<station name=\"Smooth &amp; Easy\" mt=\"audio/mpeg\" id=\"1234\" br=\"128\" "
                    "genre=\"Jazz\" ct=\"AC/DC - T.N.T.\" lc=\"42\"/>\n"
                    "<station name=\"Caf\xc3\xa9 &#x263A;\" mt=\"audio/aacp\" id=\"7\" br=\"abc\" "
                    "genre=\"Lounge\" ct=\"&lt;live&gt;\" lc=\"5\" />\n"
                    "<station name=\"Twin\" mt=\"audio/mpeg\" id=\"7\" br=\"64\" genre=\"Pop\" "
                    "ct=\"\" lc=\"0\"/>\n");
    for (const auto &pieces : splits(body)) {
        SCOPED_TRACE(pieces.size());
        const Fed fed = feedStations(pieces);
        ASSERT_FALSE(fed.refused);
        ASSERT_EQ(fed.stations.size(), 3);
        EXPECT_EQ(fed.parser.tuneInBase(), "/sbin/tunein-station.pls");
        expectStation(fed.stations[0], "Smooth & Easy", 1234, 128, 42, "Jazz", "audio/mpeg",
                      "AC/DC - T.N.T.");
        expectStation(fed.stations[1], QString::fromUtf8("Caf\xc3\xa9 \xe2\x98\xba"), 7, 0, 5,
                      "Lounge", "audio/aacp", "<live>");
        expectStation(fed.stations[2], "Twin", 7, 64, 0, "Pop", "audio/mpeg", "");
        EXPECT_EQ(fed.stations[0].url, "http://dir.test/sbin/tunein-station.pls?id=1234");
        // Two stations with one id share the tune-in URL; both are kept.
        EXPECT_EQ(fed.stations[1].url, fed.stations[2].url);
        EXPECT_EQ(fed.parser.pendingSize(), qsizetype(sizeof("\n</stationlist>\n") - 1));
    }
}

TEST(StationListParser, RefusesWhatShowsNoHeaderWithin512Bytes)
{
    // A tunein element in a later piece, after 512 bytes, comes too late
    // (in the first piece it would do).
    const QByteArray late = "<?xml version=\"1.0\"?>" + QByteArray(600, ' ') +
                            R"(<tunein base="/t.pls"/><station id="1"/>)";
    const auto lateSplits = splits(late);
    EXPECT_FALSE(feedStations(lateSplits[0]).refused);
    for (size_t i = 1; i < lateSplits.size(); ++i) {
        const Fed fed = feedStations(lateSplits[i]);
        EXPECT_TRUE(fed.refused);
        EXPECT_TRUE(fed.stations.isEmpty());
    }
    // Byte by byte, the 513th byte is the one refused.
    EXPECT_EQ(feedStations(lateSplits[1]).refusedAtPiece, 512);

    // Not XML at all, or the tunein element not closed.
    EXPECT_TRUE(feedStations({R"(<html><tunein base="/t.pls"/>)" + QByteArray(600, 'x')}).refused);
    EXPECT_TRUE(
        feedStations({R"(<?xml ?><tunein base="/t.pls" x/y>)" + QByteArray(600, 'x')}).refused);
}

TEST(StationListParser, TakesTheBaseFromATuneInElementWithFurtherPaths)
{
    const QByteArray body = stationList(
        R"(<station id="9" name="A"/>)",
        R"(<tunein base="/x/tune.pls" base-m3u="/x/tune.m3u" base-xspf="/x/tune.xspf"/>)");
    for (const auto &pieces : splits(body)) {
        const Fed fed = feedStations(pieces);
        ASSERT_FALSE(fed.refused);
        ASSERT_EQ(fed.stations.size(), 1);
        EXPECT_EQ(fed.stations[0].url, "http://dir.test/x/tune.pls?id=9");
    }
}

TEST(StationListParser, KeepsOldStationsUntilANewHeaderArrives)
{
    QList<ShoutCastStation> stations(2);
    StationListParser parser;
    ASSERT_EQ(parser.feed("<?xml ", stations, kRoot), StationListParser::Outcome::Accepted);
    EXPECT_EQ(stations.size(), 2);
    parser.feed(R"(?><tunein base="/t"/><station id="3"/>)", stations, kRoot);
    ASSERT_EQ(stations.size(), 1);
    EXPECT_EQ(stations[0].id, 3);
}

TEST(StationListParser, RefusesAnElementThatNeverEnds)
{
    StationListParser parser;
    QList<ShoutCastStation> stations;
    ASSERT_EQ(parser.feed(stationList("<station name=\""), stations, kRoot),
              StationListParser::Outcome::Accepted);
    const QByteArray junk(64 * 1024, 'a');
    StationListParser::Outcome outcome = StationListParser::Outcome::Accepted;
    for (int i = 0; i < 20 && outcome == StationListParser::Outcome::Accepted; ++i)
        outcome = parser.feed(junk, stations, kRoot);
    EXPECT_EQ(outcome, StationListParser::Outcome::Refused);
}

TEST(StationTokenizer, ReadsAttributesAsWritten)
{
    struct Case
    {
        QByteArray element;
        QString name;
        qint32 id;
        quint32 br;
        unsigned long lc;
    };
    const Case cases[] = {
        // The last attribute does not take the "/" of "/>".
        {R"(<station name="A" id="1" br="128" lc="42"/>)", "A", 1, 128, 42},
        {R"(<station lc="42" name="A" />)", "A", 0, 0, 42},
        // Empty values and words without "=" assign nothing.
        {R"(<station name="A"  id="2" junk lc="3"/>)", "A", 2, 0, 3},
        {R"(<station name="A" name="" id="2"/>)", "A", 2, 0, 0},
        // Keys ignore case; values may go unquoted; quotes keep spaces and ">".
        {R"(<station NAME="B > C" ID=5 Br="-1" lc="x9"/>)", "B > C", 5, 0, 0},
        {R"(<station id="-17" br="4294967295" lc="18446744073709551615"/>)", "", -17, 4294967295u,
         18446744073709551615ul},
        {R"(<station id="99999999999" br="4294967296"/>)", "", 0, 0, 0},
        // A quote left open at the end: the last value is not taken.
        {R"(<station id="4" name="open/>)", "", 4, 0, 0},
        {"<station", "", 0, 0, 0},
        {"", "", 0, 0, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.element.toStdString());
        const ShoutCastStation s = parseStationElement(c.element);
        EXPECT_EQ(s.name, c.name);
        EXPECT_EQ(s.id, c.id);
        EXPECT_EQ(s.bitrate, c.br);
        EXPECT_EQ(s.listeners, c.lc);
        EXPECT_TRUE(s.url.isEmpty());
    }
}

namespace {

struct FedIndex
{
    QStringList names;
    int headerFoundCount = 0;
    int refusedAtPiece = -1;
};

FedIndex feedIndex(const std::vector<QByteArray> &pieces)
{
    FedIndex fed;
    GenreIndexParser parser;
    for (size_t i = 0; i < pieces.size(); ++i) {
        const auto outcome = parser.feed(pieces[i], fed.names);
        if (outcome == GenreIndexParser::Outcome::HeaderFound)
            ++fed.headerFoundCount;
        if (outcome == GenreIndexParser::Outcome::Refused) {
            fed.refusedAtPiece = int(i);
            break;
        }
    }
    return fed;
}

} // namespace

TEST(GenreIndexParser, GivesTheSameNamesForEverySplit)
{
    const QByteArray body = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<genrelist>\n"
                            "<genre name=\"Jazz\"/>\n<genre name=\"Rock &amp; Roll\"/>\n"
                            "<genre name=\"Top 40\"/>\n<genre name=\"Jazz\"/>\n"
                            "<genre name=\"Caf\xc3\xa9\"/>\n</genrelist>\n";
    const QStringList expected = {"Jazz", "Rock & Roll", "Top 40", "Jazz",
                                  QString::fromUtf8("Caf\xc3\xa9")};
    for (const auto &pieces : splits(body)) {
        SCOPED_TRACE(pieces.size());
        const FedIndex fed = feedIndex(pieces);
        EXPECT_EQ(fed.refusedAtPiece, -1);
        EXPECT_EQ(fed.headerFoundCount, 1);
        EXPECT_EQ(fed.names, expected);
    }
    // The name cut after "Ja" is completed by the next piece.
    const qsizetype cut = body.indexOf("Jazz") + 2;
    EXPECT_EQ(feedIndex({body.left(cut), body.mid(cut)}).names, expected);
}

TEST(GenreIndexParser, RecognisesTheIndexWithin256BytesOnly)
{
    const QByteArray head = "<?xml version=\"1.0\"?>";
    const QByteArray rest = "<genrelist><genre name=\"Blues\"/></genrelist>";
    // Header in a later piece, still within 256 bytes: recognised.
    FedIndex fed = feedIndex({head, QByteArray(100, ' '), rest});
    EXPECT_EQ(fed.names, QStringList{"Blues"});
    // More than 256 bytes before "<genrelist>": the piece that passes 256 is refused.
    fed = feedIndex({head, QByteArray(250, ' '), rest});
    EXPECT_EQ(fed.refusedAtPiece, 1);
    EXPECT_TRUE(fed.names.isEmpty());
    // A long first piece that holds it is fine; one that does not begin "<?xml " is not.
    EXPECT_EQ(feedIndex({head + QByteArray(400, ' ') + rest}).names, QStringList{"Blues"});
    EXPECT_EQ(feedIndex({" " + head + rest + QByteArray(300, ' ')}).refusedAtPiece, 0);
}

TEST(GenreIndexParser, EmptyIndexAndNamesThatNeverEnd)
{
    FedIndex fed = feedIndex({"<?xml version=\"1.0\"?><genrelist></genrelist>"});
    EXPECT_EQ(fed.headerFoundCount, 1);
    EXPECT_TRUE(fed.names.isEmpty());

    GenreIndexParser parser;
    QStringList names;
    ASSERT_EQ(parser.feed("<?xml ?><genrelist><genre name=\"", names),
              GenreIndexParser::Outcome::HeaderFound);
    GenreIndexParser::Outcome outcome = GenreIndexParser::Outcome::Accepted;
    for (int i = 0; i < 20 && outcome == GenreIndexParser::Outcome::Accepted; ++i)
        outcome = parser.feed(QByteArray(64 * 1024, 'a'), names);
    EXPECT_EQ(outcome, GenreIndexParser::Outcome::Refused);
    EXPECT_TRUE(names.isEmpty());
}
