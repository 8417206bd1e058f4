// The engine against scripted servers on 127.0.0.1.
#include "EngineFixture.h"
#include "TestHttpServer.h"

#include <QCoreApplication>

#include <curl/curl.h>

#include <QDeadlineTimer>
#include <QThread>

#include <atomic>
#include <map>
#include <mutex>

namespace {

using Headers = TestHttpServer::Headers;
using Reply = TestHttpServer::Reply;

class NetworkEngine : public EngineFixture
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.start());
        installModule(TESTMOD_PATH, "test.so");
    }
    void TearDown() override
    {
        if (stream)
            stream->stop();
        server.stop();
    }
    void play(const QString &path)
    {
        auto *list = new RadioPlayList;
        list->add(server.url(path), QString());
        stream->setPlaylist(list, true);
        ASSERT_TRUE(stream->start());
    }
    QString playingError()
    {
        QString error;
        stream->inspectItem(false, [&](const PlayListItem *item) { error = item->error; });
        return error;
    }
    TestStream audio(int bytes)
    {
        TestStream data;
        data.frameBytes = 1000;
        data.pcm = pcm(bytes);
        return data;
    }

    TestHttpServer server;
};

TEST_F(NetworkEngine, IcyStreamPlaysCleanAudioAndShowsEachTitle)
{
    const TestStream data = audio(200000);
    const QByteArray body = icyInterleave(data.bytes(), 1000,
                                          {{3, "StreamTitle='First; feat. Guest';"},
                                           {150, "StreamTitle='O'Brien - It's';StreamUrl='x';"}});
    server.setRoute("/live", Reply::make("ICY 200 OK",
                                         {{"icy-name", "Station"},
                                          {"icy-genre", "Jazz"},
                                          {"icy-metaint", "1000"}},
                                         body));
    play("/live");
    ASSERT_TRUE(waitForEvent(StreamEndedEvent));
    stream->stop();
    // The whole short reply may arrive before the first sniff: the body
    // after its header still plays, with no error on the way.
    EXPECT_EQ(receiver.count(StreamErrorEvent), 0);
    EXPECT_EQ(wavData(wavPath()).size(), data.pcm.size());
    EXPECT_TRUE(wavData(wavPath()) == data.pcm);
    stream->inspectItem(false, [](const PlayListItem *item) {
        EXPECT_EQ(item->title, QStringLiteral("O'Brien - It's"));
        EXPECT_EQ(item->streamTitle, QStringLiteral(" Station"));
        EXPECT_EQ(item->genre, QStringLiteral(" Jazz"));
        EXPECT_EQ(item->icyUrl, QStringLiteral("x"));
    });
    const auto requests = server.requests();
    ASSERT_FALSE(requests.isEmpty());
    EXPECT_EQ(requests[0].header("Icy-MetaData"), QByteArray("1"));
}

TEST_F(NetworkEngine, HeaderWithMetaintButNoIcyUrlStillDeinterleaves)
{
    const TestStream data = audio(100000);
    server.setRoute("/s", Reply::make("HTTP/1.0 200 OK", {{"Content-Type", "audio/mpeg"},
                                                          {"icy-metaint", "777"}},
                                      icyInterleave(data.bytes(), 777, {{1, "StreamTitle='T';"}})));
    play("/s");
    ASSERT_TRUE(waitForEvent(StreamEndedEvent));
    EXPECT_TRUE(wavData(wavPath()) == data.pcm);
}

TEST_F(NetworkEngine, RedirectsAreFollowedAndTheFinalHeaderIsUsed)
{
    const TestStream data = audio(60000);
    server.setRoute("/a", Reply::redirect(server.url("/b").toUtf8(), 301));
    server.setRoute("/b", Reply::redirect(server.url("/c").toUtf8()));
    server.setRoute("/c", Reply::make("HTTP/1.0 200 OK", {{"icy-metaint", "500"}},
                                      icyInterleave(data.bytes(), 500, {})));
    play("/a");
    ASSERT_TRUE(waitForEvent(StreamEndedEvent));
    EXPECT_EQ(receiver.count(StreamErrorEvent), 0);
    EXPECT_TRUE(wavData(wavPath()) == data.pcm);
}

TEST_F(NetworkEngine, ErrorsCarryTheirTexts)
{
    struct Case {
        QByteArray path;
        Reply reply;
        QString expected;
    };
    QList<Case> cases;
    cases.append({"/missing", Reply::make("HTTP/1.0 404 Not Found", {}, "no"),
                  QString::fromUtf8(curl_easy_strerror(CURLE_HTTP_RETURNED_ERROR))});
    cases.append({"/icy404", Reply().send("ICY 404 Resource Not Found\r\n\r\n"),
                  QStringLiteral("ICY 404 Resource Not Found")});
    cases.append({"/loop", Reply::redirect("/loop"),
                  QString::fromUtf8(curl_easy_strerror(CURLE_TOO_MANY_REDIRECTS))});
    for (const Case &c : cases) {
        server.setRoute(c.path, c.reply);
        receiver.types.clear();
        play(QString::fromUtf8(c.path));
        ASSERT_TRUE(waitForEvent(StreamErrorEvent)) << c.path.constData();
        EXPECT_EQ(playingError(), c.expected) << c.path.constData();
        stream->stop();
    }
}

TEST_F(NetworkEngine, NoiseFillsTheBufferOrIsUnknown)
{
    server.setRoute("/noise", Reply::make("HTTP/1.0 200 OK", {}, testNoise(400 * 1024)));
    play("/noise");
    ASSERT_TRUE(waitForEvent(StreamErrorEvent));
    EXPECT_EQ(playingError(), QString::fromUtf8(curl_easy_strerror(CURLE_WRITE_ERROR)));
    stream->stop();

    receiver.types.clear();
    stream->setInBufSize(512 * 1024);
    play("/noise");
    ASSERT_TRUE(waitForEvent(StreamErrorEvent));
    EXPECT_EQ(playingError(), QStringLiteral("unknown file format"));
}

TEST_F(NetworkEngine, PlaylistBodyGivesExactlyOnePlaylistEvent)
{
    server.setRoute("/list.pls",
                    Reply::make("HTTP/1.0 200 OK", {{"Content-Type", "audio/x-scpls"}},
                                "[playlist]\nnumberofentries=2\nFile1=http://127.0.0.1:9/a\n"
                                "Title1=A\nLength1=-1\nFile2=http://127.0.0.1:9/b\n"
                                "Title2=B\nLength2=-1\nVersion=2\n"));
    play("/list.pls");
    ASSERT_TRUE(waitForEvent(StreamErrorEvent));
    // Many read ticks later there is still one list and one error.
    EXPECT_FALSE(waitUntil([&] { return receiver.count(StreamPlaylistEvent) > 1; }, 300));
    EXPECT_EQ(receiver.count(StreamErrorEvent), 1);
    ASSERT_EQ(receiver.count(StreamPlaylistEvent), 1);
    ASSERT_EQ(receiver.playlists.size(), 1u);
    ASSERT_EQ(receiver.playlists[0]->count(), 2);
    EXPECT_EQ(receiver.playlists[0]->at(0)->url, QStringLiteral("http://127.0.0.1:9/a"));
    EXPECT_EQ(receiver.playlists[0]->at(0)->title, QStringLiteral("A"));
}

TEST_F(NetworkEngine, ASilentConnectionEndsWithAnError)
{
    stream->setConnectTimeout(1);
    const TestStream data = audio(20000);
    server.setRoute("/silent", Reply::make("HTTP/1.0 200 OK", {}, data.bytes().left(5000)).hang());
    play("/silent");
    ASSERT_TRUE(waitForEvent(StreamErrorEvent, 1, 20000));
    EXPECT_TRUE(playingError().contains("No data received")) << playingError();
}

TEST_F(NetworkEngine, ProxyIsAskedForTheWholeUrl)
{
    const TestStream data = audio(20000);
    server.setRoute("/via", Reply::make("HTTP/1.0 200 OK", {}, data.bytes()));
    stream->setProxy(QStringLiteral("127.0.0.1:%1").arg(server.port()));
    auto *list = new RadioPlayList;
    list->add(QStringLiteral("http://127.0.0.1:9/via"), QString()); // port 9: only the proxy answers
    stream->setPlaylist(list, true);
    ASSERT_TRUE(stream->start());
    ASSERT_TRUE(waitForEvent(StreamEndedEvent));
    ASSERT_FALSE(server.requests().isEmpty());
    EXPECT_EQ(server.requests()[0].target, QByteArray("http://127.0.0.1:9/via"));
    EXPECT_TRUE(wavData(wavPath()) == data.pcm);
}

TEST_F(NetworkEngine, FetchesDeliverUnderTheirOwnIdsAndReportErrorsOnce)
{
    server.setRoute("/one", Reply::make("HTTP/1.0 200 OK", {}, "first body"));
    server.setRoute("/two", Reply::make("HTTP/1.1 200 OK", {{"Transfer-Encoding", "chunked"}},
                                        httpChunked("second", 2)));
    std::map<unsigned, QByteArray> bodies;
    std::map<unsigned, int> ends;
    std::mutex m;
    QObject::connect(
        stream.get(), &RadioStream::streamFetch, stream.get(),
        [&](unsigned id, const QByteArray *chunk) {
            std::lock_guard lock(m);
            if (chunk)
                bodies[id] += *chunk;
            else
                ++ends[id];
        },
        Qt::DirectConnection);
    const unsigned a = stream->startFetch(server.url("/one"));
    const unsigned b = stream->startFetch(server.url("/two"));
    const unsigned c = stream->startFetch(server.url("/absent"));
    EXPECT_EQ(b, a + 1);
    EXPECT_EQ(c, b + 1);
    ASSERT_TRUE(waitUntil([&] {
        std::lock_guard lock(m);
        return ends.size() == 3;
    }));
    {
        std::lock_guard lock(m);
        EXPECT_EQ(bodies[a], QByteArray("first body"));
        EXPECT_EQ(bodies[b], QByteArray("second"));
    }
    EXPECT_TRUE(stream->takeFetchError(a).isNull());
    EXPECT_TRUE(stream->takeFetchError(b).isNull());
    EXPECT_EQ(stream->takeFetchError(c),
              QString::fromUtf8(curl_easy_strerror(CURLE_HTTP_RETURNED_ERROR)));
    EXPECT_TRUE(stream->takeFetchError(c).isNull());
    EXPECT_FALSE(stream->cancelFetch(9999));
    // Every fetch was cancelled by takeFetchError: the next ticks remove them.
    ASSERT_TRUE(waitUntil([&] { return stream->fetchCount() == 0; }));
}

// With no stream playing, only a fetch keeps the read thread busy; the
// engine must still join that thread before it goes away. The fetch's
// callback holds the pass open until the destructor has begun.
TEST_F(NetworkEngine, DestroyingTheEngineJoinsARunningFetchPass)
{
    server.setRoute("/open", Reply::make("HTTP/1.0 200 OK", {}, QByteArray(2000, 'x')).hang());
    std::atomic<bool> inPass{false}, destroying{false}, released{false};
    QObject::connect(stream.get(), &RadioStream::streamStop, stream.get(),
                     [&] { destroying = true; }, Qt::DirectConnection);
    QObject::connect(
        stream.get(), &RadioStream::streamFetch, stream.get(),
        [&](unsigned, const QByteArray *chunk) {
            if (!chunk || inPass.exchange(true))
                return;
            const QDeadlineTimer deadline(10000);
            while (!destroying && !deadline.hasExpired())
                QThread::msleep(1);
            QThread::msleep(50); // the destructor would now free what this pass uses
            released = true;
        },
        Qt::DirectConnection);
    stream->startFetch(server.url("/open"));
    ASSERT_TRUE(waitUntil([&] { return inPass.load(); }));
    RadioPlayList *list = stream->playlist();
    stream.reset();
    delete list;
    EXPECT_TRUE(released.load()) << "the engine was destroyed while its read pass ran";
}

} // namespace
