// HTTP Live Streaming stations from tools/hls-test-server.py through the
// engine and the real decoder modules.
#include "AudioDevice.h"
#include "DirectDecode.h"
#include "EngineFixture.h"
#include "HlsTestServer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

class HlsEngine : public EngineFixture
{
protected:
    void SetUp() override
    {
        const QDir built(QStringLiteral(WAVELARK_PLUGIN_DIR));
        for (const QString &name : built.entryList({"*.so"}, QDir::Files))
            installModule(QFile::encodeName(built.filePath(name)).constData(), name);
        if (!built.exists("aac.so") || !built.exists("mp3.so"))
            GTEST_SKIP() << "the AAC and MP3 modules were not built";
    }
    void TearDown() override
    {
        if (stream)
            stream->stop();
    }

    void serve(const QStringList &options)
    {
        ASSERT_TRUE(server.start(options, workdir())) << "tools/hls-test-server.py did not start";
    }
    QString workdir() const { return home.file("hls"); }

    void play(const QString &path)
    {
        auto *list = new RadioPlayList;
        list->add(server.url(path), QString());
        stream->setPlaylist(list, true);
        ASSERT_TRUE(stream->start());
    }

    // Plays until the stream ends, noting each new title and sample rate.
    bool playToEnd(int ms = 60000)
    {
        return waitUntil(
            [this] {
                stream->inspectItem(Selection::Playing, [this](const PlayListItem *item) {
                    if (!item)
                        return;
                    if (item->title.contains(" - Song ") &&
                        (titles.isEmpty() || titles.last() != item->title)) {
                        titles << item->title;
                        writtenAtTitle.push_back(QFileInfo(wavPath()).size());
                    }
                    const int rate = item->streamInfoValid ? int(item->streamInfo.rate) : 0;
                    if (rate && (rates.empty() || rates.back() != rate))
                        rates.push_back(rate);
                });
                return receiver.count(StreamEndedEvent) > 0 || receiver.count(StreamErrorEvent) > 0;
            },
            ms);
    }

    QString playingError()
    {
        QString error;
        stream->inspectItem(Selection::Playing, [&](const PlayListItem *item) {
            error = item ? item->error : QString();
        });
        return error;
    }

    // What the module decodes on its own from the files, one after the other.
    QByteArray direct(const QStringList &files, const QString &module)
    {
        QByteArray bytes;
        for (const QString &file : files) {
            QFile f(workdir() + "/" + file);
            if (!f.open(QIODevice::ReadOnly))
                return {};
            bytes += f.readAll();
        }
        AudioDevice device(&ops, [] { return false; });
        if (device.open(false) != 0)
            return {};
        device.close(true);
        return decodeDirectly(home.file(".wavelark/plugins/" + module), bytes, device.formats(),
                              device.formatCount());
    }

    // The media sequence numbers of the segments the server answered with
    // `status`, in the order asked.
    std::vector<int> segmentsAsked(int status = 200, const QString &folder = QString())
    {
        static const QRegularExpression seg(QStringLiteral("/seg(\\d+)\\.\\w+$"));
        std::vector<int> out;
        for (const QString &path : server.requests(status)) {
            const QRegularExpressionMatch m = seg.match(path);
            if (m.hasMatch() && path.startsWith(folder + "/seg"))
                out.push_back(m.captured(1).toInt());
        }
        return out;
    }

    HlsTestServer server;
    QStringList titles;
    std::vector<qint64> writtenAtTitle; // bytes of the WAV file when each title showed
    std::vector<int> rates;
};

struct Format
{
    const char *name;
    QStringList options;
    const char *source;
    const char *module;
};

void PrintTo(const Format &f, std::ostream *os)
{
    *os << f.name;
}

class HlsFormats : public HlsEngine, public ::testing::WithParamInterface<Format>
{};

TEST_P(HlsFormats, PlaysBitExactToTheSourcesDecode)
{
    const Format &f = GetParam();
    serve(f.options + QStringList{"--segment", "1", "--seconds", "5", "--vod"});
    play("/index.m3u8");
    ASSERT_TRUE(playToEnd());
    EXPECT_EQ(receiver.count(StreamErrorEvent), 0) << playingError();
    stream->stop();
    const QByteArray expected = direct({f.source}, f.module);
    ASSERT_GT(expected.size(), 100000);
    const QByteArray played = wavData(wavPath());
    EXPECT_EQ(played.size(), expected.size());
    EXPECT_TRUE(played == expected);
}

INSTANTIATE_TEST_SUITE_P(
    Segments, HlsFormats,
    ::testing::Values(Format{"TsAac", {"--format", "ts"}, "source.aac", "aac.so"},
                      Format{"TsMp3", {"--format", "ts", "--codec", "mp3"}, "source.mp3", "mp3.so"},
                      Format{"Fmp4", {"--format", "fmp4"}, "source.aac", "aac.so"},
                      Format{"PackedAac", {"--format", "aac"}, "source.aac", "aac.so"},
                      Format{"PackedMp3", {"--format", "mp3"}, "source.mp3", "mp3.so"}),
    [](const ::testing::TestParamInfo<Format> &p) { return std::string(p.param.name); });

// A live window that grows while the engine plays: every segment is asked
// for once, in order, and the #EXTINF titles follow the audio. A recording
// from the start of decoding holds the audio as the segments carried it.
TEST_F(HlsEngine, LiveReloadFetchesEachSegmentOnceInOrder)
{
    serve({"--format", "ts", "--segment", "1", "--seconds", "9", "--window", "3", "--titles"});
    play("/index.m3u8");
    ASSERT_TRUE(waitForEvent(StreamDecodeStartedEvent));
    QDir().mkpath(home.file("records"));
    ASSERT_EQ(stream->startRecording(home.file("records"), false, true),
              RadioStream::RecordStart::Started);
    ASSERT_TRUE(playToEnd());
    const QString record = stream->recordFileName();
    stream->recordStop();
    QFile recorded(record), source(workdir() + "/source.aac");
    ASSERT_TRUE(recorded.open(QIODevice::ReadOnly) && source.open(QIODevice::ReadOnly));
    const QByteArray tail = recorded.readAll();
    EXPECT_GT(tail.size(), 3 * 12000) << "three seconds at 96 kbit/s";
    EXPECT_TRUE(source.readAll().endsWith(tail));
    EXPECT_EQ(receiver.count(StreamErrorEvent), 0) << playingError();
    const std::vector<int> asked = segmentsAsked();
    ASSERT_GE(asked.size(), 8u);
    for (size_t i = 0; i < asked.size(); ++i)
        EXPECT_EQ(asked[i], int(i));
    ASSERT_GE(titles.size(), 3);
    EXPECT_EQ(titles.mid(0, 3), QStringList({"Test Artist - Song 1", "Test Artist - Song 2",
                                             "Test Artist - Song 3"}));
}

// Encrypted packed audio with ID3 titles, one of whose segments fails once:
// it is asked for again and the audio is still whole.
TEST_F(HlsEngine, EncryptedPackedAudioSurvivesAMissingSegmentAndShowsItsTags)
{
    serve({"--format", "aac", "--segment", "1", "--seconds", "5", "--vod", "--titles", "--key",
           "--fail-segment", "2"});
    play("/index.m3u8");
    ASSERT_TRUE(playToEnd());
    EXPECT_EQ(receiver.count(StreamErrorEvent), 0) << playingError();
    EXPECT_EQ(segmentsAsked(404), std::vector<int>{2});
    const std::vector<int> asked = segmentsAsked();
    EXPECT_EQ(std::count(asked.begin(), asked.end(), 2), 1);
    stream->stop();
    EXPECT_TRUE(wavData(wavPath()) == direct({"source.aac"}, "aac.so"));
    EXPECT_EQ(titles, QStringList({"ID3 Artist - Song 1", "ID3 Artist - Song 2"}));
    // All the segments arrived at once; the second title waited for its
    // audio, three seconds in (at least the chunk before it was played).
    ASSERT_EQ(writtenAtTitle.size(), 2u);
    EXPECT_GT(writtenAtTitle[1], 44100 * 4);
}

TEST_F(HlsEngine, ADiscontinuityMayChangeTheSampleRate)
{
    serve({"--format", "ts", "--segment", "1", "--seconds", "6", "--vod", "--discontinuity",
           "--rate2", "22050"});
    play("/index.m3u8");
    ASSERT_TRUE(playToEnd());
    EXPECT_EQ(receiver.count(StreamErrorEvent), 0) << playingError();
    EXPECT_EQ(rates, (std::vector<int>{44100, 22050}));
    stream->stop();
    // The WAV device starts a second file at the new format.
    const QByteArray played = wavData(wavPath()) + wavData(wavPath() + ".1");
    const QByteArray expected = direct({"source.aac", "source2.aac"}, "aac.so");
    EXPECT_EQ(played.size(), expected.size());
    EXPECT_TRUE(played == expected);
}

// AAC, then MP3 at the same rate: the MP3 module takes over where its audio
// begins, and each part plays as its module decodes it alone.
TEST_F(HlsEngine, ADiscontinuityMayChangeTheCodec)
{
    serve({"--format", "ts", "--segment", "1", "--seconds", "6", "--vod", "--discontinuity",
           "--rate2", "44100", "--codec2", "mp3"});
    play("/index.m3u8");
    ASSERT_TRUE(playToEnd());
    EXPECT_EQ(receiver.count(StreamErrorEvent), 0) << playingError();
    stream->stop();
    const QByteArray expected =
        direct({"source.aac"}, "aac.so") + direct({"source2.mp3"}, "mp3.so");
    const QByteArray played = wavData(wavPath());
    EXPECT_EQ(played.size(), expected.size());
    EXPECT_TRUE(played == expected);
}

TEST_F(HlsEngine, APlaylistThatStopsUpdatingIsAStalledStream)
{
    serve({"--format", "ts", "--segment", "1", "--seconds", "30", "--window", "3", "--stall-after",
           "2"});
    play("/index.m3u8");
    ASSERT_TRUE(waitForEvent(StreamErrorEvent, 1, 40000));
    EXPECT_TRUE(playingError().contains("stalled")) << playingError();
}

// The audio-only variant of the highest bandwidth under the limit; a video
// variant's audio comes from its group's default rendition.
TEST_F(HlsEngine, AMasterPlaylistPlaysTheVariantItShould)
{
    serve({"--format", "aac", "--segment", "1", "--seconds", "30", "--master", "--loop"});
    const auto playsFrom = [this](const QString &folder) {
        play("/master.m3u8");
        const bool asked = waitUntil([&] { return !segmentsAsked(200, folder).empty(); }, 20000);
        stream->stop();
        return asked;
    };
    EXPECT_TRUE(playsFrom("/hi"));
    changeSetting(*stream, &StreamSettings::hlsBandwidthLimit, 100);
    EXPECT_TRUE(playsFrom("/lo"));
    for (const QString &path : server.requests())
        EXPECT_FALSE(path.startsWith("/video") || path.startsWith("/ec3")) << path.toStdString();
}

TEST_F(HlsEngine, AVideoVariantTakesItsAudioFromTheGroup)
{
    serve({"--format", "aac", "--segment", "1", "--seconds", "30", "--master", "--audio-group",
           "--loop"});
    play("/master.m3u8");
    ASSERT_TRUE(waitUntil([&] { return !segmentsAsked(200, "/audio").empty(); }, 20000));
    for (const QString &path : server.requests())
        EXPECT_FALSE(path.startsWith("/video") || path.startsWith("/other")) << path.toStdString();
}

} // namespace
