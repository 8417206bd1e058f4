#include "DirectoryClientFixture.h"
#include "EventHandOff.h"
#include "WaitUntil.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

void DirectoryErrorSink::customEvent(QEvent *event)
{
    wavelark::takeOverEvent(event);
    if (int(event->type()) != DirectoryErrorEvent)
        return;
    auto *data = static_cast<DirectoryErrorEventData *>(event);
    errors.push_back({data->genre(), data->text()});
}

void DirectoryClientFixture::SetUp()
{
    ASSERT_TRUE(server.start());
    oldRoot_ = qgetenv("WAVELARK_DIRECTORY_URL");
    oldServiceRoot_ = qgetenv("WAVELARK_RADIO_BROWSER_URL");
    if (source == Source::Xml) {
        qputenv("WAVELARK_DIRECTORY_URL", server.url("").toUtf8());
    } else {
        qunsetenv("WAVELARK_DIRECTORY_URL");
        qputenv("WAVELARK_RADIO_BROWSER_URL", server.url("/").toUtf8());
    }
    stream = std::make_unique<RadioStream>(nullptr, nullptr, 0);
    changeSetting(*stream, &StreamSettings::readInterval, 10);
    changeSetting(*stream, &StreamSettings::connectTimeout, 10);
    client = std::make_unique<ShoutCast>(&sink, stream.get());
    QObject::connect(
        client.get(), &ShoutCast::shoutCastGenres, client.get(),
        [this](const QList<ShoutCastGenre> &genres, ShoutCast::ShoutCastState state) {
            QStringList names;
            for (const ShoutCastGenre &g : genres)
                names.append(g.name);
            std::lock_guard lock(seenMutex_);
            genresSeen_.push_back({names, state});
        },
        Qt::DirectConnection);
    QObject::connect(
        client.get(), &ShoutCast::shoutCastFetch, client.get(),
        [this](ShoutCastGenre *genre, ShoutCast::ShoutCastState state) {
            {
                std::lock_guard lock(seenMutex_);
                fetchSeen_.push_back({genre, state, genre->stations.size()});
            }
            if (onFetch)
                onFetch(genre, state);
        },
        Qt::DirectConnection);
}

void DirectoryClientFixture::TearDown()
{
    // Stop every transfer, then let the stream join its threads.
    client->cancelAllGenres();
    if (client->listFetchId() != 0)
        stream->cancelFetch(client->listFetchId());
    server.stop();
    waitForNoFetches();
    client.reset();
    stream.reset();
    for (const auto &[name, old] : {std::pair{"WAVELARK_DIRECTORY_URL", oldRoot_},
                                    std::pair{"WAVELARK_RADIO_BROWSER_URL", oldServiceRoot_}}) {
        if (old.isNull())
            qunsetenv(name);
        else
            qputenv(name, old);
    }
}

bool DirectoryClientFixture::waitUntil(const std::function<bool()> &done, int ms)
{
    return processEventsUntil(done, ms);
}

TestHttpServer::Reply DirectoryClientFixture::inPieces(const std::vector<QByteArray> &pieces)
{
    TestHttpServer::Reply reply =
        TestHttpServer::Reply::make("HTTP/1.0 200 OK", {{"Content-Type", "text/xml"}});
    for (const QByteArray &piece : pieces)
        reply.pause(std::chrono::milliseconds(40)).send(piece);
    return reply;
}

QByteArray DirectoryClientFixture::stationList(const QByteArray &stations)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<stationlist>\n"
           "<tunein base=\"/sbin/tunein-station.pls\"/>\n" +
           stations + "</stationlist>\n";
}

std::vector<DirectoryClientFixture::GenresSeen> DirectoryClientFixture::genresSeen()
{
    std::lock_guard lock(seenMutex_);
    return genresSeen_;
}

std::vector<DirectoryClientFixture::FetchSeen>
DirectoryClientFixture::fetchSeen(ShoutCastGenre *genre)
{
    std::lock_guard lock(seenMutex_);
    std::vector<FetchSeen> out;
    for (const FetchSeen &seen : fetchSeen_)
        if (seen.genre == genre)
            out.push_back(seen);
    return out;
}

QStringList names(const QList<ShoutCastGenre> &genres)
{
    QStringList out;
    for (const ShoutCastGenre &g : genres)
        out.append(g.name);
    return out;
}
