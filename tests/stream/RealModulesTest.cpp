// Real files through the real decoder modules: the engine must hand the
// device exactly what the module decodes from the file directly.
#include "AudioDevice.h"
#include "DirectDecode.h"
#include "EngineFixture.h"
#include "RunProgram.h"

#include <QDir>
#include <QFile>

#include <dlfcn.h>

namespace {

class RealModules : public EngineFixture
{
protected:
    void SetUp() override
    {
        const QDir built(QStringLiteral(WAVELARK_PLUGIN_DIR));
        for (const QString &name : built.entryList({"*.so"}, QDir::Files))
            installModule(QFile::encodeName(built.filePath(name)).constData(), name);
        if (built.entryList({"*.so"}, QDir::Files).isEmpty())
            GTEST_SKIP() << "no decoder modules were built";
    }

    static bool run(const QString &program, const QStringList &args)
    {
        return runProgram(program, args);
    }

    QString source()
    {
        const QString wav = home.file("source.wav");
        if (!run("sox", {"-n", "-r", "44100", "-c", "2", "-b", "16", "-e", "signed-integer", wav,
                         "synth", "4", "sine", "440", "sine", "660"}))
            return {};
        return wav;
    }

    // `before`: entries ahead of the file in the playlist; the first is
    // probed while it is the playing selection, then the file is chosen.
    void playAndCompare(const QString &file, const QString &module, const QStringList &before = {})
    {
        usePlaylist(before + QStringList{file});
        if (!before.isEmpty()) {
            ASSERT_TRUE(waitForEvent(StreamProbeDoneEvent));
            ASSERT_TRUE(stream->selectIndex(int(before.size()), Selection::Playing));
        }
        ASSERT_TRUE(stream->start());
        ASSERT_TRUE(waitForEvent(StreamEndedEvent, 1, 60000));
        stream->stop();
        const QByteArray played = wavData(wavPath());
        // The formats the engine offered its modules: the device's own.
        AudioDevice device(&ops, [] { return false; });
        ASSERT_EQ(device.open(false), 0);
        device.close(true);
        const QByteArray direct =
            decodeDirectly(home.file(".wavelark/plugins/" + module), readAllBytes(file),
                           device.formats(), device.formatCount());
        ASSERT_GT(direct.size(), 100000);
        EXPECT_EQ(played.size(), direct.size());
        EXPECT_TRUE(played == direct);
        EXPECT_EQ(receiver.count(StreamErrorEvent), 0);
    }
};

TEST_F(RealModules, Mp3)
{
    const QString wav = source();
    ASSERT_FALSE(wav.isEmpty());
    const QString mp3 = home.file("a.mp3");
    ASSERT_TRUE(run("lame", {"--quiet", "-b", "128", wav, mp3}));
    playAndCompare(mp3, "mp3.so");
}

TEST_F(RealModules, OggVorbis)
{
    const QString wav = source();
    const QString ogg = home.file("a.ogg");
    ASSERT_TRUE(run("oggenc", {"-Q", wav, "-o", ogg}));
    playAndCompare(ogg, "vorbis.so");
}

TEST_F(RealModules, Flac)
{
    const QString wav = source();
    const QString flac = home.file("a.flac");
    ASSERT_TRUE(run("flac", {"-s", "-f", wav, "-o", flac}));
    playAndCompare(flac, "flac.so");
}

// The module a probe found for one entry belongs to that entry only.
TEST_F(RealModules, AModuleProbedForOneEntryIsNotUsedForTheNext)
{
    const QString wav = source();
    const QString flac = home.file("a.flac");
    ASSERT_TRUE(run("flac", {"-s", "-f", wav, "-o", flac}));
    playAndCompare(flac, "flac.so", {wav});
}

TEST_F(RealModules, Wav)
{
    const QString wav = source();
    playAndCompare(wav, "wav.so");
    // PCM passes through untouched.
    EXPECT_TRUE(wavData(wavPath()) == readAllBytes(wav).right(wavData(wavPath()).size()));
}

} // namespace
