// The community station service's answers read whole: stations and tags as
// the service writes them, with its oddities, and every way a body can be
// wrong.
#include "RadioBrowserJson.h"
#include "DirectorySource.h"
#include "FakeStationService.h"

#include <gtest/gtest.h>

using namespace radiobrowser;

namespace {

QString readError(const QByteArray &body)
{
    QList<ShoutCastStation> stations;
    QString error;
    EXPECT_FALSE(readStations(body, stations, error)) << body.constData();
    EXPECT_TRUE(stations.isEmpty());
    return error;
}

} // namespace

TEST(RadioBrowserJson, StationsKeepTheirStreamAndDropWhatCannotPlay)
{
    QList<ShoutCastStation> stations;
    QString error;
    ASSERT_TRUE(readStations(fake_service::stations(), stations, error)) << error.toStdString();
    ASSERT_EQ(stations.size(), 4);

    const ShoutCastStation &jazz = stations[0];
    EXPECT_EQ(jazz.name, "Jazz FM 91");
    EXPECT_EQ(jazz.url, "http://jazz.example/fm91");
    EXPECT_EQ(jazz.genre, "jazz, smooth jazz");
    EXPECT_EQ(jazz.mimeType, "audio/mpeg");
    EXPECT_EQ(jazz.bitrate, 128u);
    EXPECT_EQ(jazz.listeners, 420ul);
    EXPECT_EQ(jazz.uuid, fake_service::kJazzFmId);
    EXPECT_EQ(jazz.id, 0);
    EXPECT_TRUE(jazz.currentTrack.isEmpty());

    // url_resolved empty: the listed address; spaces collapsed.
    const ShoutCastStation &cafe = stations[1];
    EXPECT_EQ(cafe.name, QString::fromUtf8("Radio Caf\u00e9 Z\u00fcrich \u266b"));
    EXPECT_EQ(cafe.url, "http://cafe.example/live.ogg");
    EXPECT_EQ(cafe.mimeType, "application/ogg");
    EXPECT_EQ(cafe.bitrate, 0u);
    EXPECT_EQ(cafe.uuid, fake_service::kCafeId);

    // Nothing but an address: named by it.
    EXPECT_EQ(stations[2].name, "http://bare.example/stream");
    EXPECT_EQ(stations[2].bitrate, 0u);
    EXPECT_TRUE(stations[2].genre.isEmpty());
    EXPECT_TRUE(stations[2].uuid.isEmpty());

    // Fields of the wrong type: a number as text counts, the rest is empty.
    const ShoutCastStation &odd = stations[3];
    EXPECT_EQ(odd.name, "https://secure.example/live");
    EXPECT_EQ(odd.bitrate, 96u);
    EXPECT_EQ(odd.listeners, 0ul);
    // Marked as HTTP Live Streaming: its address is a playlist of segments.
    EXPECT_EQ(odd.mimeType, "application/vnd.apple.mpegurl");
    EXPECT_TRUE(odd.uuid.isEmpty());
}

TEST(RadioBrowserJson, TagsInTheirOrderOnce)
{
    QStringList names;
    QString error;
    ASSERT_TRUE(readTags(fake_service::tags(), names, error));
    EXPECT_EQ(names, (QStringList{"jazz", "Rock & Roll", QString::fromUtf8("m\u00fasica latina")}));
    names.clear();
    ASSERT_TRUE(readTags("[]", names, error));
    EXPECT_TRUE(names.isEmpty());
}

TEST(RadioBrowserJson, MalformedBodiesAreRefusedWithAReason)
{
    // Cut anywhere: always the same clear reason.
    const QByteArray body = fake_service::stations().trimmed();
    for (qsizetype n = 1; n < body.size(); ++n)
        EXPECT_EQ(readError(body.left(n)), "The answer was cut off.") << n;
    EXPECT_EQ(readError(fake_service::htmlErrorPage()),
              "The answer is a web page, not the directory's data.");
    EXPECT_EQ(readError("  \n"), "The answer is empty.");
    EXPECT_EQ(readError(R"({"error":"rate limited"})"), "The answer is not a list.");
    EXPECT_TRUE(readError("[1 2]").startsWith("The answer is not valid data ("));
    QStringList names;
    QString error;
    EXPECT_FALSE(readTags(body.left(body.size() / 2), names, error));
    EXPECT_EQ(error, "The answer was cut off.");
}

TEST(RadioBrowserJson, BodyCapRefusesWhatGrowsPastIt)
{
    BodyCollector body(10);
    EXPECT_TRUE(body.append("[1,2,"));
    EXPECT_TRUE(body.append("3,4]"));
    EXPECT_EQ(body.body(), "[1,2,3,4]");
    EXPECT_FALSE(body.append("  "));
    EXPECT_TRUE(body.overflowed());
    EXPECT_TRUE(body.body().isEmpty());
    EXPECT_FALSE(body.append("x"));
    EXPECT_EQ(body.overflowText(), "The answer is larger than 10 bytes.");
}

TEST(RadioBrowserJson, SourceAddresses)
{
    const auto source = makeRadioBrowserSource("http://127.0.0.1:9");
    EXPECT_EQ(source->genreIndexUrl(), "http://127.0.0.1:9/json/tags?order=stationcount&reverse="
                                       "true&hidebroken=true&limit=300");
    EXPECT_EQ(source->genreUrl("Rock & Roll/Pop", 0),
              "http://127.0.0.1:9/json/stations/bytag/Rock%20%26%20Roll%2FPop?hidebroken=true&"
              "order=clickcount&reverse=true&limit=300");
    EXPECT_EQ(source->searchUrl(QString::fromUtf8("caf\u00e9 #1"), 25),
              "http://127.0.0.1:9/json/stations/search?name=caf%C3%A9%20%231&hidebroken=true&"
              "order=clickcount&reverse=true&limit=25");
    ShoutCastStation station;
    EXPECT_TRUE(source->clickUrl(station).isEmpty());
    station.uuid = fake_service::kJazzFmId;
    EXPECT_EQ(source->clickUrl(station),
              QStringLiteral("http://127.0.0.1:9/json/url/") + fake_service::kJazzFmId);
    EXPECT_TRUE(source->userAgent().startsWith("Wavelark/"));
    EXPECT_EQ(source->genreCachePath("/h/.wavelark/genre.cache"),
              "/h/.wavelark/radiobrowser-genre.cache");
    // The XML directory is as it was: no agent of its own, the cache as given.
    const auto xml = makeXmlDirectorySource("http://127.0.0.1:9");
    EXPECT_TRUE(xml->userAgent().isEmpty());
    EXPECT_TRUE(xml->clickUrl(station).isEmpty());
    EXPECT_EQ(xml->genreCachePath("/h/.wavelark/genre.cache"), "/h/.wavelark/genre.cache");
}

TEST(RadioBrowserJson, SourceChosenFromTheEnvironment)
{
    const QByteArray oldXml = qgetenv("WAVELARK_DIRECTORY_URL");
    const QByteArray oldService = qgetenv("WAVELARK_RADIO_BROWSER_URL");
    qunsetenv("WAVELARK_DIRECTORY_URL");
    qunsetenv("WAVELARK_RADIO_BROWSER_URL");
    EXPECT_EQ(DirectorySource::fromEnvironment()->genreIndexUrl().section(u'?', 0, 0),
              "https://all.api.radio-browser.info/json/tags");
    qputenv("WAVELARK_RADIO_BROWSER_URL", "http://127.0.0.1:8080//");
    EXPECT_EQ(DirectorySource::fromEnvironment()->root(), "http://127.0.0.1:8080");
    EXPECT_FALSE(DirectorySource::fromEnvironment()->userAgent().isEmpty());
    // The XML directory's variable wins.
    qputenv("WAVELARK_DIRECTORY_URL", "http://127.0.0.1:8081/");
    const auto xml = DirectorySource::fromEnvironment();
    EXPECT_EQ(xml->genreIndexUrl(), "http://127.0.0.1:8081/sbin/newxml.phtml");
    EXPECT_TRUE(xml->userAgent().isEmpty());
    for (const auto &[name, old] : {std::pair{"WAVELARK_DIRECTORY_URL", oldXml},
                                    std::pair{"WAVELARK_RADIO_BROWSER_URL", oldService}}) {
        if (old.isNull())
            qunsetenv(name);
        else
            qputenv(name, old);
    }
}
