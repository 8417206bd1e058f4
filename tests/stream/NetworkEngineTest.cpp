// The engine against scripted servers on 127.0.0.1.
#include "EngineFixture.h"
#include "TestHttpServer.h"

#include <QCoreApplication>

#include "CurlLibrary.h"

#include <QDeadlineTimer>
#include <QFile>
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
        stream->inspectItem(Selection::Playing,
                            [&](const PlayListItem *item) { error = item->error; });
        return error;
    }
    // The received audio (the test stream's header and PCM) is all held.
    bool holdBufferHolds(unsigned bytes) { return stream->holdBufferFill() >= bytes; }
    TestStream audio(int bytes)
    {
        TestStream data;
        data.frameBytes = 1000;
        data.pcm = pcm(bytes);
        return data;
    }

    TestHttpServer server;
};

namespace {

std::mutex titlesMutex;
QStringList titlesShown; // guarded by titlesMutex

void recordTitle(void *, const char *title)
{
    std::lock_guard lock(titlesMutex);
    if (titlesShown.isEmpty() || titlesShown.last() != QString::fromUtf8(title))
        titlesShown << QString::fromUtf8(title);
}

} // namespace

TEST_F(NetworkEngine, IcyStreamPlaysCleanAudioAndShowsEachTitle)
{
    ops.setTitle = recordTitle; // what a sound server would show
    const TestStream data = audio(200000);
    const QByteArray body = icyInterleave(data.bytes(), 1000,
                                          {{3, "StreamTitle='First; feat. Guest';"},
                                           {150, "StreamTitle='O'Brien - It's';StreamUrl='x';"}});
    server.setRoute(
        "/live",
        Reply::make("ICY 200 OK",
                    {{"icy-name", "Station"}, {"icy-genre", "Jazz"}, {"icy-metaint", "1000"}},
                    body));
    play("/live");
    ASSERT_TRUE(waitForEvent(StreamEndedEvent));
    stream->stop();
    // The whole short reply may arrive before the first sniff: the body
    // after its header still plays, with no error on the way.
    EXPECT_EQ(receiver.count(StreamErrorEvent), 0);
    EXPECT_EQ(wavData(wavPath()).size(), data.pcm.size());
    EXPECT_TRUE(wavData(wavPath()) == data.pcm);
    stream->inspectItem(Selection::Playing, [](const PlayListItem *item) {
        EXPECT_EQ(item->title, QStringLiteral("O'Brien - It's"));
        EXPECT_EQ(item->streamTitle, QStringLiteral(" Station"));
        EXPECT_EQ(item->genre, QStringLiteral(" Jazz"));
        EXPECT_EQ(item->icyUrl, QStringLiteral("x"));
    });
    {
        std::lock_guard lock(titlesMutex);
        // In the order the station sent them (the module's own tag may come between).
        const qsizetype station = titlesShown.indexOf("Station");
        const qsizetype first = titlesShown.indexOf("First; feat. Guest");
        EXPECT_GE(station, 0) << titlesShown.join('|').toStdString();
        EXPECT_GT(first, station) << titlesShown.join('|').toStdString();
        EXPECT_EQ(titlesShown.value(titlesShown.size() - 1), "O'Brien - It's");
    }
    const auto requests = server.requests();
    ASSERT_FALSE(requests.isEmpty());
    EXPECT_EQ(requests[0].header("Icy-MetaData"), QByteArray("1"));
}

TEST_F(NetworkEngine, HeaderWithMetaintButNoIcyUrlStillDeinterleaves)
{
    const TestStream data = audio(100000);
    server.setRoute("/s", Reply::make("HTTP/1.0 200 OK",
                                      {{"Content-Type", "audio/mpeg"}, {"icy-metaint", "777"}},
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
    struct Case
    {
        QByteArray path;
        Reply reply;
        QString expected;
    };
    QList<Case> cases;
    // libcurl's own text names the status, where its code's description would not.
    for (const char *status : {"401 Unauthorized", "404 Not Found", "500 Internal Server Error"})
        cases.append({QByteArray("/status") + QByteArray(status).left(3),
                      Reply::make(QByteArray("HTTP/1.0 ") + status, {}, "no"),
                      QStringLiteral("The requested URL returned error: ") +
                          QString::fromLatin1(status).left(3)});
    cases.append({"/icy404", Reply().send("ICY 404 Resource Not Found\r\n\r\n"),
                  QStringLiteral("ICY 404 Resource Not Found")});
    cases.append(
        {"/loop", Reply::redirect("/loop"), QStringLiteral("Maximum (8) redirects followed")});
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
    EXPECT_EQ(playingError(), QString::fromUtf8(curl::easy_strerror(CURLE_WRITE_ERROR)));
    stream->stop();

    receiver.types.clear();
    changeSetting(*stream, &StreamSettings::inBufSize, 512 * 1024);
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
    changeSetting(*stream, &StreamSettings::connectTimeout, 1);
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
    changeSetting(*stream, &StreamSettings::proxy,
                  QStringLiteral("127.0.0.1:%1").arg(server.port()));
    auto *list = new RadioPlayList;
    list->add(QStringLiteral("http://127.0.0.1:9/via"),
              QString()); // port 9: only the proxy answers
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
    EXPECT_EQ(stream->takeFetchError(c), QStringLiteral("The requested URL returned error: 404"));
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
    QObject::connect(
        stream.get(), &RadioStream::streamStop, stream.get(), [&] { destroying = true; },
        Qt::DirectConnection);
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

// A fast server fills the hold buffer before the first read tick has
// sniffed anything: the reply header is still stripped (and the metadata
// interval taken) before any module sees the bytes, whatever the buffer size.
TEST_F(NetworkEngine, ABurstAtConnectIsStrippedBeforeTheDecoderSearch)
{
    const TestStream data = audio(512000);
    server.setRoute(
        "/file", Reply::make("HTTP/1.0 200 OK", {{"Content-Type", "audio/x-test"}}, data.bytes()));
    server.setRoute("/burst",
                    Reply::make("ICY 200 OK", {{"icy-name", "Burst FM"}, {"icy-metaint", "8192"}},
                                icyInterleave(data.bytes(), 8192, {{1, "StreamTitle='Early';"}})));
    qsizetype played = 0; // the device appends every play to one file
    for (const unsigned kb : {256u, 1024u}) {
        for (const char *path : {"/file", "/burst"}) {
            SCOPED_TRACE(std::string(path) + " " + std::to_string(kb) + " KB");
            receiver.types.clear();
            changeSetting(*stream, &StreamSettings::inBufSize, kb * 1024);
            play(path);
            ASSERT_TRUE(waitForEvent(StreamEndedEvent, 1, 60000)) << playingError().toStdString();
            stream->stop();
            EXPECT_EQ(receiver.count(StreamErrorEvent), 0);
            played += data.pcm.size();
            const QByteArray out = wavData(wavPath());
            EXPECT_EQ(out.size(), played);
            EXPECT_TRUE(out.right(data.pcm.size()) == data.pcm);
            if (QByteArray(path) == "/burst")
                stream->inspectItem(Selection::Playing, [](const PlayListItem *item) {
                    EXPECT_EQ(item->streamTitle, QStringLiteral(" Burst FM"));
                });
        }
    }
}

// libcurl hands out blocks of up to 16 KiB; a smaller buffer takes them in pieces.
TEST_F(NetworkEngine, AHoldBufferSmallerThanABlockStillPlays)
{
    const TestStream data = audio(150000);
    server.setRoute("/live", Reply::make("ICY 200 OK", {{"icy-metaint", "4000"}},
                                         icyInterleave(data.bytes(), 4000, {})));
    changeSetting(*stream, &StreamSettings::inBufSize, 8 * 1024);
    changeSetting(*stream, &StreamSettings::outBufSize, 2048);
    changeSetting(*stream, &StreamSettings::decodeInterval, 1);
    play("/live");
    ASSERT_TRUE(waitForEvent(StreamEndedEvent, 1, 60000)) << playingError().toStdString();
    EXPECT_EQ(receiver.count(StreamErrorEvent), 0);
    EXPECT_TRUE(wavData(wavPath()) == data.pcm);
}

// A plain list of URLs wants nothing more: it is handed out at once, not
// when the server closes.
TEST_F(NetworkEngine, AUrlListIsReadWithoutWaitingForTheServerToClose)
{
    server.setRoute("/list", Reply()
                                 .send("HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n"
                                       "http://127.0.0.1:9/a\nhttp://127.0.0.1:9/b\n")
                                 .hang());
    play("/list");
    ASSERT_TRUE(waitForEvent(StreamPlaylistEvent));
    ASSERT_EQ(receiver.playlists.size(), 1u);
    ASSERT_EQ(receiver.playlists[0]->count(), 2);
    EXPECT_EQ(receiver.playlists[0]->at(1)->url, QStringLiteral("http://127.0.0.1:9/b"));
    EXPECT_NE(playingError(), QStringLiteral("unknown file format"));
}

// The audio that arrived before a broken transfer is heard first; the error
// follows it, so that a retry starts where the listener stopped hearing.
TEST_F(NetworkEngine, AudioBeforeABrokenTransferPlaysBeforeTheError)
{
    const TestStream data = audio(400000);
    const QByteArray body = data.bytes();
    server.setRoute("/cut", Reply()
                                .send("HTTP/1.0 200 OK\r\nContent-Length: " +
                                      QByteArray::number(body.size()) + "\r\n\r\n")
                                .send(body.left(body.size() / 2)));
    changeSetting(*stream, &StreamSettings::decodeInterval, 20);
    play("/cut");
    ASSERT_TRUE(waitForEvent(StreamErrorEvent, 1, 60000));
    const qsizetype heard = wavData(wavPath()).size();
    stream->stop();
    EXPECT_EQ(receiver.count(StreamEndedEvent), 0);
    EXPECT_EQ(receiver.count(StreamErrorEvent), 1);
    // Every whole frame of the half that arrived was written before the error.
    const qsizetype sent = body.size() / 2 - 40;
    EXPECT_GE(heard, sent - 1000);
    EXPECT_TRUE(wavData(wavPath()) == data.pcm.left(heard));
    EXPECT_TRUE(playingError().contains("bytes remaining")) << playingError().toStdString();
}

// Stopping ends the stream's transfer; with a directory fetch in the same
// transfer list that end must not come back as an error.
TEST_F(NetworkEngine, StoppingWhileAFetchRunsPostsNoError)
{
    const TestStream data = audio(4000000);
    server.setRoute("/live", Reply::make("HTTP/1.0 200 OK", {}, {})
                                 .trickle(data.bytes(), std::chrono::milliseconds(1), 4096));
    server.setRoute("/dir", Reply::make("HTTP/1.0 200 OK", {}, "<x>").hang());
    stream->startFetch(server.url("/dir"));
    for (int i = 0; i < 8; ++i) {
        receiver.types.clear();
        play("/live");
        ASSERT_TRUE(waitForEvent(StreamDecodeStartedEvent));
        stream->stop();
        // The fetch goes on for many read passes after the stop.
        EXPECT_FALSE(waitUntil([&] { return receiver.count(StreamErrorEvent) > 0; }, 600));
        bool bad = true;
        stream->inspectItem(Selection::Playing, [&](const PlayListItem *item) { bad = item->bad; });
        EXPECT_FALSE(bad);
    }
}

// A module that a probe found for a local entry must not decode the next
// entry chosen: the stream is sniffed for itself.
TEST_F(NetworkEngine, AProbedModuleStaysWithItsEntry)
{
    const TestStream local = audio(20000);
    const TestStream remote = audio(60000);
    server.setRoute("/live",
                    Reply::make("ICY 200 OK", {{"icy-name", "Second"}, {"icy-metaint", "1000"}},
                                icyInterleave(remote.bytes(), 1000, {})));
    usePlaylist({writeFile("first.raw", local.bytes()), server.url("/live")});
    ASSERT_TRUE(waitForEvent(StreamProbeDoneEvent));
    ASSERT_TRUE(stream->selectIndex(1, Selection::Playing));
    ASSERT_TRUE(stream->start());
    ASSERT_TRUE(waitForEvent(StreamEndedEvent));
    stream->stop();
    EXPECT_TRUE(wavData(wavPath()) == remote.pcm);
    stream->inspectItem(Selection::Playing, [](const PlayListItem *item) {
        EXPECT_EQ(item->streamTitle, QStringLiteral(" Second"));
    });
}

// A station listed at 128 kbit/s that bursts more than the initial wait's
// worth of audio plays at once; one that sends less waits until the user
// skips the wait.
TEST_F(NetworkEngine, TheInitialWaitEndsOnceTheBufferHoldsItsSeconds)
{
    const auto playListed = [&](const QString &path) {
        auto *list = new RadioPlayList;
        list->appendItem(std::make_unique<PlayListItem>(server.url(path), QString(), QString(),
                                                        QString(), QString(), QString(), 128));
        stream->setPlaylist(list, true);
        ASSERT_TRUE(stream->start());
    };
    const auto audioWritten = [&] { return !wavData(wavPath()).isEmpty(); };
    // 60 s at 128 kbit/s is more than the hold buffer: a full buffer is enough.
    changeSetting(*stream, &StreamSettings::decodeWait, 60);
    server.setRoute(
        "/burst", Reply::make("ICY 200 OK", {{"icy-name", "Burst"}}, audio(300000).bytes()).hang());
    server.setRoute("/slow",
                    Reply::make("ICY 200 OK", {{"icy-name", "Slow"}}, audio(64000).bytes()).hang());

    playListed("/burst");
    EXPECT_TRUE(waitUntil(audioWritten)) << "the burst waits out the timer";
    stream->stop();
    QFile::remove(wavPath());

    playListed("/slow");
    ASSERT_TRUE(waitUntil([&] { return stream->isBuffering() && holdBufferHolds(64000); }));
    EXPECT_FALSE(waitUntil([&] { return !stream->isBuffering(); }, 1500));
    EXPECT_FALSE(audioWritten());
    stream->skipBufferWait();
    EXPECT_TRUE(waitUntil(audioWritten));
    EXPECT_EQ(receiver.count(StreamErrorEvent), 0);
}

} // namespace
