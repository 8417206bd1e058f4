// Recording through the engine: which entries are recorded and under which
// name, and what reaches the file from the read thread.
#include "EngineFixture.h"
#include "TestHttpServer.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

namespace {

class Recording : public EngineFixture
{
protected:
    Recording() { QDir().mkpath(recordDir()); }
    QString recordDir() const { return home.file("records"); }
    QStringList recordFiles() const { return QDir(recordDir()).entryList(QDir::Files); }
    void useRemote(const QString &url)
    {
        auto *list = new RadioPlayList;
        list->add(url, QString());
        stream->setPlaylist(list, true);
    }
};

// Starting a recording as the main widget does when decoding begins: only a
// remote playing entry with the toggle on is recorded, under the start time.
TEST_F(Recording, StartRecordingChoosesTheEntryAndTheName)
{
    using R = RadioStream::RecordStart;
    EXPECT_EQ(stream->startRecording(recordDir(), false, true), R::NoItem);

    usePlaylist({writeFile("a.raw", "local")});
    EXPECT_EQ(stream->startRecording(recordDir(), false, true), R::Skipped);

    useRemote(QStringLiteral("http://127.0.0.1:9/stream"));
    EXPECT_EQ(stream->startRecording(recordDir(), false, false), R::Skipped);
    EXPECT_FALSE(stream->isRecording());
    EXPECT_TRUE(recordFiles().isEmpty());

    const int tagsBefore = receiver.count(StreamTagsEvent);
    const qint64 before = QDateTime::currentSecsSinceEpoch();
    ASSERT_EQ(stream->startRecording(recordDir(), false, true), R::Started);
    const qint64 after = QDateTime::currentSecsSinceEpoch();
    EXPECT_TRUE(stream->isRecording());
    const QString name = QFileInfo(stream->recordFileName()).fileName();
    EXPECT_EQ(QFileInfo(stream->recordFileName()).absolutePath(), recordDir());
    ASSERT_TRUE(name.endsWith(QStringLiteral("-record.mp3")));
    const qint64 t = name.chopped(11).toLongLong();
    EXPECT_GE(t, before);
    EXPECT_LE(t, after);
    EXPECT_EQ(recordFiles(), QStringList{name});
    EXPECT_TRUE(waitUntil([&] { return receiver.count(StreamTagsEvent) > tagsBefore; }));

    // One file: the remembered name again. Stopping an empty recording
    // removes its file and publishes the tags.
    const QString first = stream->recordFileName();
    ASSERT_EQ(stream->startRecording(home.file("elsewhere"), true, true), R::Started);
    EXPECT_EQ(stream->recordFileName(), first);
    const int tagsAtStop = receiver.count(StreamTagsEvent);
    stream->recordStop();
    EXPECT_FALSE(stream->isRecording());
    EXPECT_TRUE(recordFiles().isEmpty());
    EXPECT_TRUE(waitUntil([&] { return receiver.count(StreamTagsEvent) > tagsAtStop; }));
}

TEST_F(Recording, FailuresToStart)
{
    useRemote(QStringLiteral("http://127.0.0.1:9/stream"));
    {
        StderrCapture err;
        EXPECT_EQ(stream->startRecording(home.file("no/such/dir"), false, true),
                  RadioStream::RecordStart::Failed);
        EXPECT_TRUE(err.text().contains(QStringLiteral("recordStart failed: ") +
                                        QString::fromLocal8Bit(std::strerror(ENOENT)) + '\n'));
    }
    EXPECT_FALSE(stream->isRecording());
    // Size 0 is ignored, so a record buffer always exists (ENOMEM cannot arise).
    changeSetting(*stream, &StreamSettings::recordBufSize, 0);
    EXPECT_EQ(stream->settings().recordBufSize, 262144u);
    EXPECT_EQ(stream->recordStart(home.file("records/x.mp3")), 0);
    stream->recordStop();
}

// The read thread records a local source from its first byte: blocks of
// 32 KiB through a 4 KiB record buffer (each block goes straight to the
// file), a buffer resized while recording, and the stop sequence closing
// the file. Nothing is lost or repeated.
TEST_F(Recording, TinyRecordBufferWithLargeBlocksLosesNothing)
{
    installModule(TESTMOD_PATH, "test.so");
    TestStream data;
    data.frameBytes = 1000;
    data.pcm = pcm(2000000, 4);
    const QByteArray source = data.bytes();
    changeSetting(*stream, &StreamSettings::inBufSize, 64 * 1024);
    changeSetting(*stream, &StreamSettings::outBufSize, 4000);
    changeSetting(*stream, &StreamSettings::recordBufSize, 4096);
    usePlaylist({writeFile("a.raw", source)});
    StderrCapture err;
    ASSERT_TRUE(stream->start());
    // No read tick has run yet: the recording sees every byte.
    const QString path = recordDir() + "/local.mp3";
    ASSERT_EQ(stream->recordStart(path), 0);
    ASSERT_TRUE(waitUntil([&] { return QFileInfo(path).size() > 200000; }));
    changeSetting(*stream, &StreamSettings::recordBufSize, 100000);
    ASSERT_TRUE(waitForEvent(StreamEndedEvent, 1, 60000));
    EXPECT_TRUE(stream->isRecording());
    stream->stop();
    EXPECT_FALSE(stream->isRecording());
    EXPECT_EQ(readAllBytes(path), source);
    EXPECT_TRUE(err.text().contains("record buffer full, dumping: TOTAL=4096, LEN=32768\n"))
        << err.text().toStdString();
}

using Reply = TestHttpServer::Reply;

// Remote streams from a scripted ICY server, recorded from the moment
// decoding starts, as the main widget does.
class RemoteRecording : public Recording
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.start());
        installModule(TESTMOD_PATH, "test.so");
    }
    void TearDown() override
    {
        stream->stop();
        server.stop();
    }
    // Serves `audio` at /live with metadata every 1000 bytes and a title at
    // every tenth boundary. The first 100 kB come at once; the rest once the
    // engine has found its decoder (and a pause later), as a live server
    // paces its data: a hold buffer that fills before the reply header has
    // been stripped and a decoder found refuses the data.
    void serve(const QByteArray &audio, bool hangAfter = false)
    {
        std::map<int, QByteArray> texts;
        for (int i = 0; i < audio.size() / 1000; i += 10)
            texts[i] = "StreamTitle='Song " + QByteArray::number(i) + "';";
        const QByteArray body = icyInterleave(audio, 1000, texts);
        Reply reply = Reply::make("ICY 200 OK", {{"icy-name", "Station"}, {"icy-metaint", "1000"}},
                                  body.left(100000));
        if (body.size() > 100000)
            reply.waitFor(decoding_).pause(std::chrono::milliseconds(500)).send(body.mid(100000));
        if (hangAfter)
            reply.hang();
        server.setRoute("/live", reply);
        useRemote(server.url("/live"));
    }
    // Starts playing and starts a recording once decoding began.
    void playAndRecord(bool oneFile, int decodeStarts = 1)
    {
        ASSERT_TRUE(stream->isPlaying() || stream->start());
        ASSERT_TRUE(waitForEvent(StreamDecodeStartedEvent, decodeStarts));
        *decoding_ = true;
        ASSERT_EQ(stream->startRecording(recordDir(), oneFile, true),
                  RadioStream::RecordStart::Started);
    }
    TestStream audio(int bytes, int seed)
    {
        TestStream data;
        data.frameBytes = 1000;
        data.pcm = pcm(bytes, seed);
        return data;
    }

    TestHttpServer server;
    std::shared_ptr<std::atomic<bool>> decoding_ = std::make_shared<std::atomic<bool>>(false);
};

// The file holds the audio exactly, without the interleaved metadata and
// without the reply header, over many flushes of the record buffer: what
// arrived from the start of the recording to the end of the stream.
TEST_F(RemoteRecording, FileHoldsTheAudioWithoutMetadata)
{
    const QByteArray source = audio(1500000, 81).bytes();
    serve(source);
    changeSetting(*stream, &StreamSettings::recordBufSize, 40000);
    StderrCapture err;
    playAndRecord(false);
    ASSERT_TRUE(waitForEvent(StreamEndedEvent, 1, 60000));
    stream->stop();
    ASSERT_EQ(recordFiles().size(), 1);
    const QByteArray recorded = readAllBytes(recordDir() + '/' + recordFiles().first());
    EXPECT_GT(recorded.size(), 1000000);
    EXPECT_TRUE(recorded == source.right(recorded.size()));
    EXPECT_FALSE(recorded.contains("StreamTitle"));
    EXPECT_GE(err.text().count("record buffer full, dumping: TOTAL=40000, LEN="), 20);
}

// With one file, a restart appends the second recording to the first.
TEST_F(RemoteRecording, OneFileAppendsAcrossARestart)
{
    const QByteArray source = audio(400000, 82).bytes();
    serve(source);
    playAndRecord(true);
    ASSERT_TRUE(waitForEvent(StreamEndedEvent, 1, 60000));
    const QString file = stream->recordFileName();
    ASSERT_TRUE(stream->restart());
    EXPECT_FALSE(stream->isRecording());
    const qint64 first = QFileInfo(file).size();
    ASSERT_GT(first, 0);
    playAndRecord(true, 2);
    EXPECT_EQ(stream->recordFileName(), file);
    ASSERT_TRUE(waitForEvent(StreamEndedEvent, 2, 60000));
    stream->stop();
    EXPECT_EQ(recordFiles().size(), 1);
    const QByteArray recorded = readAllBytes(file);
    ASSERT_GT(recorded.size(), first);
    EXPECT_TRUE(recorded.left(first) == source.right(first));
    EXPECT_TRUE(recorded.mid(first) == source.right(recorded.size() - first));
}

// Decoding started, then nothing more came: stopping leaves no empty file.
TEST_F(RemoteRecording, StreamStoppedBeforeAnyRecordedDataLeavesNoFile)
{
    serve(audio(2000, 83).bytes(), true);
    playAndRecord(false);
    EXPECT_EQ(recordFiles().size(), 1);
    ASSERT_TRUE(waitUntil([&] { return stream->holdBufferFill() == 0; }));
    stream->stop();
    EXPECT_FALSE(stream->isRecording());
    EXPECT_TRUE(recordFiles().isEmpty());
}

} // namespace
