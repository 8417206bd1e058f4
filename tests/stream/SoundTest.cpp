// The event-sound player, heard through the WAV device: order, volume,
// interruption, pruning, pause, undecodable files and the stream's waiting.
#include "EngineFixture.h"

#include "RadioStreamSound.h"

#include <QFileInfo>
#include <QThread>

namespace {

class Sounds : public EngineFixture
{
protected:
    Sounds()
    {
        installModule(TESTMOD_PATH, "test.so");
        changeSetting(*stream, &StreamSettings::soundsVolume, 100);
    }
    // A sound file the test module plays as `samples` (whole 1000-byte frames).
    QString sound(const QString &name, const QByteArray &samples)
    {
        TestStream data;
        data.frameBytes = 1000;
        data.pcm = samples;
        return writeFile(name, data.bytes());
    }
    // Waits until the sound `id` was removed and the player gave the device back.
    bool waitForSoundEnd(int id, int ms = 20000)
    {
        return waitUntil([&] { return !stream->isSoundQueued(id) && stream->soundPlaying() == 0; },
                         ms);
    }
    qint64 wavBytes() const { return std::max<qint64>(0, QFileInfo(wavPath()).size() - 44); }
    // Waits until the WAV file has stopped growing for 300 ms.
    bool waitForSilence()
    {
        qint64 last = -1;
        int stable = 0;
        return waitUntil([&] {
            const qint64 now = wavBytes();
            stable = now == last ? stable + 1 : 0;
            last = now;
            if (stable < 30)
                QThread::msleep(10);
            return stable >= 30;
        });
    }
};

// 16-bit stereo samples of a constant amplitude, alternating in sign.
QByteArray square(int bytes, int amplitude)
{
    QByteArray out(bytes, 0);
    for (int i = 0; i + 1 < bytes; i += 2) {
        const int16_t v = int16_t((i / 2) % 2 ? -amplitude : amplitude);
        out[i] = char(v & 0xff);
        out[i + 1] = char((v >> 8) & 0xff);
    }
    return out;
}

TEST_F(Sounds, RequestsPlayOneAfterAnotherWithFreshIds)
{
    const QByteArray a = pcm(50000, 11), b = pcm(30000, 12);
    const QString fileA = sound("a.snd", a), fileB = sound("b.snd", b);
    StderrCapture err;
    const int idA = stream->playSound(fileA, false, false, 0);
    const int idB = stream->playSound(fileB, false, false, 0);
    EXPECT_GT(idA, 0);
    EXPECT_GT(idB, idA);
    EXPECT_TRUE(stream->isSoundQueued(idB));
    // An empty or unset name queues nothing and names no other sound, so a
    // caller that later stops "its" sound cannot cut these short.
    ASSERT_TRUE(waitUntil([&] { return stream->soundPlaying() == idA; }));
    EXPECT_EQ(stream->playSound(QStringLiteral(""), false, false, 0), 0);
    EXPECT_EQ(stream->playSound(QString(), false, false, 0), 0);
    ASSERT_TRUE(waitForSoundEnd(idB));
    EXPECT_FALSE(stream->isSoundQueued(idA));
    EXPECT_EQ(wavData(wavPath()), a + b);
    EXPECT_TRUE(err.text().contains("playSound(): " + fileA + '\n'));
    EXPECT_EQ(stream->playSound(QString(), false, false, 0), 0);
    EXPECT_EQ(ops.openCount, 0);
}

TEST_F(Sounds, VolumeIsTheSmallerOfTheTwoAndTheStreamVolumeComesBack)
{
    const QByteArray loud = square(20000, 10000);
    const QString file = sound("v.snd", loud);
    stream->setVolume(30);
    changeSetting(*stream, &StreamSettings::soundsVolume, 80);
    const int first = stream->playSound(file, false, false, 0);
    ASSERT_TRUE(waitForSoundEnd(first));
    EXPECT_EQ(ops.getVolume(ops.userData), 30);
    changeSetting(*stream, &StreamSettings::soundsVolume, 20);
    const int second = stream->playSound(file, false, false, 0);
    ASSERT_TRUE(waitForSoundEnd(second));
    EXPECT_EQ(ops.getVolume(ops.userData), 30);
    EXPECT_EQ(stream->volume(), 30);
    EXPECT_EQ(wavData(wavPath()), square(20000, 3000) + square(20000, 2000));
}

// A looping interruptible sound (the connecting sound) repeats until a sound
// that must be heard arrives; that one plays next, in full.
TEST_F(Sounds, FirmSoundEndsAnInterruptibleLoop)
{
    const QByteArray loop = pcm(20000, 21), firm = pcm(30000, 22);
    const int loopId = stream->playSound(sound("loop.snd", loop), true, true, 0);
    ASSERT_TRUE(waitUntil([&] { return wavBytes() > 2 * loop.size(); }));
    EXPECT_EQ(stream->soundPlaying(), loopId);
    // An unset sound neither plays nor names the loop, which goes on.
    EXPECT_EQ(stream->playSound(QString(), false, false, 0), 0);
    EXPECT_EQ(stream->soundPlaying(), loopId);
    const int firmId = stream->playSound(sound("firm.snd", firm), false, false, 0);
    ASSERT_TRUE(waitForSoundEnd(firmId));
    EXPECT_FALSE(stream->isSoundQueued(loopId));
    const QByteArray out = wavData(wavPath());
    ASSERT_TRUE(out.endsWith(firm));
    const QByteArray loops = out.chopped(firm.size());
    EXPECT_GT(loops.size(), 2 * loop.size());
    for (qsizetype at = 0; at < loops.size(); at += loop.size())
        EXPECT_EQ(loops.mid(at, loop.size()), loop.left(loops.size() - at)) << at;
}

// Interruptible sounds queued behind a playing firm sound are dropped once a
// firm sound waits behind them; the two firm sounds are heard.
TEST_F(Sounds, WaitingInterruptibleSoundsGiveWayToAFirmOne)
{
    changeSetting(*stream, &StreamSettings::decodeInterval, 5);
    const QByteArray first = pcm(200000, 31), last = pcm(20000, 32);
    const int firstId = stream->playSound(sound("first.snd", first), false, false, 0);
    ASSERT_TRUE(waitUntil([&] { return stream->soundPlaying() == firstId; }));
    const int i1 = stream->playSound(sound("i1.snd", pcm(20000, 33)), true, false, 0);
    const int i2 = stream->playSound(sound("i2.snd", pcm(20000, 34)), true, false, 0);
    const int lastId = stream->playSound(sound("last.snd", last), false, false, 0);
    ASSERT_LT(wavBytes(), first.size()) << "the first sound ended too early for this test";
    ASSERT_TRUE(waitForSoundEnd(lastId));
    EXPECT_FALSE(stream->isSoundQueued(i1));
    EXPECT_FALSE(stream->isSoundQueued(i2));
    EXPECT_EQ(wavData(wavPath()), first + last);
}

// A pause aborts an interruptible sound at once; while paused nothing can be
// queued; a looping one comes round again after the pause.
TEST_F(Sounds, PauseAbortsAnInterruptibleSound)
{
    changeSetting(*stream, &StreamSettings::decodeInterval, 20);
    const QByteArray longSound = pcm(400000, 41);
    const int id = stream->playSound(sound("long.snd", longSound), true, true, 0);
    ASSERT_TRUE(waitUntil([&] { return wavBytes() > 0; }));
    stream->setPaused(true);
    EXPECT_EQ(stream->playSound(sound("other.snd", pcm(2000, 42)), false, false, 0), 0);
    ASSERT_TRUE(waitForSilence());
    const qint64 heard = wavBytes();
    EXPECT_LT(heard, longSound.size());
    EXPECT_TRUE(stream->isSoundQueued(id)); // it loops, so it stays
    stream->setPaused(false);
    ASSERT_TRUE(waitUntil([&] { return wavBytes() > heard; }));
    stream->stopSound();
    ASSERT_TRUE(waitForSoundEnd(id));
    const QByteArray out = wavData(wavPath());
    // The aborted play, then the loop from its start again.
    EXPECT_EQ(out.left(heard), longSound.left(heard));
    EXPECT_EQ(out.mid(heard), longSound.left(out.size() - heard));
    EXPECT_EQ(ops.openCount, 0);
}

// A firm sound gives the device up while paused and then goes on from where
// it was: every sample once. The device references balance out.
TEST_F(Sounds, PauseHoldsAFirmSoundWhichThenResumes)
{
    changeSetting(*stream, &StreamSettings::decodeInterval, 20);
    const QByteArray firm = pcm(400000, 51);
    const int id = stream->playSound(sound("firm.snd", firm), false, false, 0);
    ASSERT_TRUE(waitUntil([&] { return wavBytes() > 0; }));
    stream->setPaused(true);
    ASSERT_TRUE(waitForSilence());
    EXPECT_LT(wavBytes(), firm.size());
    EXPECT_EQ(stream->soundPlaying(), id);
    stream->setPaused(false);
    ASSERT_TRUE(waitForSoundEnd(id));
    EXPECT_EQ(wavData(wavPath()), firm);
    EXPECT_EQ(ops.openCount, 0);
}

TEST_F(Sounds, UndecodableAndMissingFilesAreSkipped)
{
    const QByteArray good = pcm(10000, 61);
    const int junk = stream->playSound(writeFile("junk.snd", pcm(50000, 62)), false, true, 0);
    const int missing = stream->playSound(home.file("missing.snd"), false, false, 0);
    const int ok = stream->playSound(sound("good.snd", good), false, false, 0);
    ASSERT_TRUE(waitForSoundEnd(ok));
    EXPECT_FALSE(stream->isSoundQueued(junk));
    EXPECT_FALSE(stream->isSoundQueued(missing));
    EXPECT_EQ(wavData(wavPath()), good);
}

// The stream's decoding waits while a sound owns the device: a sound
// playing when the stream starts is heard first, one requested while the
// stream plays is heard whole between two of the stream's frames. Starting
// the stream does not touch the sound's volume; the stream plays at its own.
TEST_F(Sounds, StreamWaitsWhileASoundPlays)
{
    const QByteArray before = square(40000, 10000), during = square(30000, 8000);
    TestStream data;
    data.frameBytes = 1000;
    data.pcm = pcm(300000, 73);
    changeSetting(*stream, &StreamSettings::soundsVolume, 50);
    changeSetting(*stream, &StreamSettings::decodeInterval, 5);
    changeSetting(*stream, &StreamSettings::outBufSize, 2000);
    usePlaylist({writeFile("a.raw", data.bytes())});
    const int first = stream->playSound(sound("before.snd", before), false, false, 0);
    ASSERT_TRUE(waitUntil([&] { return wavBytes() > 0; }));
    ASSERT_TRUE(stream->start());
    ASSERT_TRUE(waitUntil([&] { return wavBytes() > before.size() + 20000; }));
    const int second = stream->playSound(sound("during.snd", during), false, false, 0);
    ASSERT_TRUE(waitForSoundEnd(second));
    ASSERT_TRUE(waitForEvent(StreamEndedEvent, 1, 60000));
    stream->stop();
    EXPECT_FALSE(stream->isSoundQueued(first));
    const QByteArray out = wavData(wavPath());
    ASSERT_TRUE(out.startsWith(square(40000, 5000)));
    const QByteArray rest = out.mid(before.size());
    const qsizetype at = rest.indexOf(square(30000, 4000));
    ASSERT_GE(at, 0);
    EXPECT_EQ(at % 1000, 0);
    EXPECT_EQ(rest.left(at) + rest.mid(at + during.size()), data.pcm);
    EXPECT_EQ(ops.openCount, 0);
}

} // namespace
