// Recording through the engine: which entries are recorded and under which
// name, and what reaches the file from the read thread.
#include "EngineFixture.h"
#include "SongFileName.h"
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
        serveWith(audio, texts, hangAfter);
    }
    void serveWith(const QByteArray &audio, const std::map<int, QByteArray> &texts,
                   bool hangAfter = false)
    {
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
    void playAndRecord(bool oneFile, int decodeStarts = 1, bool perSong = false)
    {
        ASSERT_TRUE(stream->isPlaying() || stream->start());
        ASSERT_TRUE(waitForEvent(StreamDecodeStartedEvent, decodeStarts));
        *decoding_ = true;
        ASSERT_EQ(stream->startRecording(recordDir(), oneFile, true, perSong),
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

// A file per song: a new file where each new title's audio begins, named
// from the title and never over a file already there; a title the server
// sends again cuts nothing. The files together are the recorded audio.
TEST_F(RemoteRecording, FilePerSongCutsWhereEachNewTitleBegins)
{
    const QByteArray source = audio(700000, 84).bytes();
    std::map<int, QByteArray> texts;
    struct Song
    {
        qsizetype start; // the title's audio begins after its boundary's block
        QString file;
    };
    std::vector<Song> songs;
    for (int i = 0; i + 1 < source.size() / 1000; i += 60) {
        const QByteArray title =
            i == 300 ? "AC/DC - Back: in black" : "Song " + QByteArray::number(i);
        texts[i] = "StreamTitle='" + title + "';StreamUrl='';";
        texts[i + 25] = texts[i];
        songs.push_back({qsizetype(i + 1) * 1000, i == 300
                                                      ? "AC_DC - Back_ in black.mp3"
                                                      : "Song " + QString::number(i) + ".mp3"});
    }
    writeFile("records/Song 600.mp3", "kept");
    songs[10].file = "Song 600 (2).mp3";
    serveWith(source, texts);
    changeSetting(*stream, &StreamSettings::recordBufSize, 40000);
    playAndRecord(false, 1, true);
    ASSERT_TRUE(waitForEvent(StreamEndedEvent, 1, 60000));
    stream->stop();

    QStringList files = recordFiles();
    EXPECT_EQ(readAllBytes(recordDir() + "/Song 600.mp3"), QByteArray("kept"));
    files.removeOne("Song 600.mp3");
    qsizetype total = 0;
    for (const QString &file : files)
        total += QFileInfo(recordDir() + '/' + file).size();
    const qsizetype recordedFrom = source.size() - total;
    ASSERT_GT(total, 400000) << "the recording took most of the stream";
    qsizetype firstCut = source.size();
    for (size_t k = 0; k < songs.size(); ++k) {
        if (songs[k].start <= recordedFrom)
            continue;
        firstCut = std::min(firstCut, songs[k].start);
        const qsizetype end = k + 1 < songs.size() ? songs[k + 1].start : source.size();
        EXPECT_TRUE(readAllBytes(recordDir() + '/' + songs[k].file) ==
                    source.mid(songs[k].start, end - songs[k].start))
            << songs[k].file.toStdString() << " of " << files.join('|').toStdString();
        files.removeOne(songs[k].file);
    }
    // What was recorded before the first new title is the song playing then.
    ASSERT_LE(files.size(), 1) << files.join('|').toStdString();
    if (!files.isEmpty())
        EXPECT_TRUE(readAllBytes(recordDir() + '/' + files.first()) ==
                    source.mid(recordedFrom, firstCut - recordedFrom));
}

TEST(SongFileName, TitlesBecomeSafeNamesOfTheirOwn)
{
    EXPECT_EQ(songFileBase("Artist - Song"), "Artist - Song");
    EXPECT_EQ(songFileBase("../../etc/passwd"), "_.._etc_passwd");
    EXPECT_EQ(songFileBase(QString("a\nb\tc\x7f")), "a_b_c_");
    EXPECT_EQ(songFileBase("  ...  "), "untitled");
    EXPECT_EQ(songFileBase(""), "untitled");
    const QString longTitle = QString(300, QChar(0x00e9)) + QString::fromUcs4(U"\U0001F3B5");
    const QString cut = songFileBase(longTitle);
    EXPECT_LE(cut.toUtf8().size(), 200);
    EXPECT_GE(cut.toUtf8().size(), 198);
    EXPECT_EQ(songFileBase(QString(99, 'x') + QString::fromUcs4(U"\U0001F3B5") + QString(200, 'y'))
                  .toUtf8()
                  .size(),
              99 + 4 + 97);
    EXPECT_EQ(songFileName("Song", "mp3", 1), "Song.mp3");
    EXPECT_EQ(songFileName("Song", "aac", 3), "Song (3).aac");
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
