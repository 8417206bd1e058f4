// The real OSS backend end to end, on a machine without a sound device: the
// OSS emulation library (libaoss, preloaded) turns "/dev/dsp" into an ALSA
// "file" PCM and "/dev/mixer" into a test control plugin, both configured by
// an .asoundrc in the test's own HOME. The backend runs in a child process
// because the preload must be in place when the process starts.

#include "TempHome.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <map>

namespace {

constexpr int kPatternBytes = 17640; // 0.1 s of 16-bit stereo at 44100 Hz

struct ChildRun
{
    bool finished = false;
    std::multimap<QString, int> results;
    QString errors;

    int value(const QString &name) const
    {
        const auto it = results.find(name);
        return it == results.end() ? -999 : it->second;
    }
};

class OssPreloadTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (QString(WAVELARK_AOSS_LIBRARY).isEmpty())
            GTEST_SKIP() << "libaoss.so (Debian package alsa-oss) is not installed";
    }

    void writeAsoundrc(bool withMixer)
    {
        QByteArray rc = "pcm.dsp0 { type file slave.pcm \"null\" file \"" +
                        home.file("dsp.raw").toUtf8() + "\" format \"raw\" }\n";
        if (withMixer)
            rc += "ctl_type.wavelark_test_mixer { lib \"" WAVELARK_TEST_MIXER_PLUGIN "\" }\n"
                  "ctl.mixer0 { type wavelark_test_mixer }\n";
        home.write(".asoundrc", rc);
    }

    ChildRun runChild()
    {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", home.path());
        env.insert("LD_PRELOAD", WAVELARK_AOSS_LIBRARY);
        // The preload comes before the sanitizer runtime; the emulation
        // library's own allocations are not ours to judge.
        const QString asan = env.value("ASAN_OPTIONS");
        env.insert("ASAN_OPTIONS",
                   (asan.isEmpty() ? "" : asan + ":") + "verify_asan_link_order=0:detect_leaks=0");
        child.setProcessEnvironment(env);
        child.start(WAVELARK_OSS_CHILD, {QString::number(kPatternBytes)});
        ChildRun run;
        run.finished = child.waitForFinished(60000) && child.exitStatus() == QProcess::NormalExit &&
                       child.exitCode() == 0;
        for (const QString &line : QString::fromUtf8(child.readAllStandardOutput()).split('\n')) {
            const QStringList words = line.split(' ');
            if (words.size() >= 2)
                run.results.emplace(words[0], words[1].toInt());
        }
        run.errors = QString::fromUtf8(child.readAllStandardError());
        if (!run.finished)
            child.kill();
        return run;
    }

    TempHome home;
};

QByteArray pattern()
{
    QByteArray out(kPatternBytes, '\0');
    for (int i = 0; i < kPatternBytes; ++i)
        out[i] = char((i * 31 + i / 256) & 0xFF);
    return out;
}

} // namespace

TEST_F(OssPreloadTest, OpensSetsTheFormatAndPlaysThroughTheEmulatedDevices)
{
    writeAsoundrc(true);
    const ChildRun run = runChild();
    ASSERT_TRUE(run.finished) << run.errors.toStdString();
    ASSERT_EQ(run.value("open"), 0) << run.errors.toStdString();
    EXPECT_GT(run.value("rows"), 0);
    EXPECT_EQ(run.value("first"), 16) << "S16_LE is probed first";
    EXPECT_EQ(run.value("setFormat"), 0);
    EXPECT_EQ(run.value("write"), kPatternBytes);
    EXPECT_EQ(run.value("flush"), 0);
    EXPECT_EQ(run.value("setVolume"), 0);
    auto closes = run.results.equal_range("close");
    ASSERT_EQ(std::distance(closes.first, closes.second), 2);
    EXPECT_EQ(closes.first->second, 0);
    EXPECT_EQ(std::next(closes.first)->second, -1);

    // The emulation maps no output-gain channel, so the read fails the
    // documented way.
    EXPECT_EQ(run.value("getVolume"), -1);
    EXPECT_TRUE(run.errors.contains("/dev/mixer: ")) << run.errors.toStdString();

    EXPECT_EQ(readAllBytes(home.file("dsp.raw")), pattern());
}

TEST_F(OssPreloadTest, WithoutAMixerOpenFailsWithItsErrnoAndLeavesDspClosed)
{
    writeAsoundrc(false);
    const ChildRun run = runChild();
    ASSERT_TRUE(run.finished) << run.errors.toStdString();
    EXPECT_EQ(run.value("open"), ENOENT);
    EXPECT_EQ(run.value("pcmFd"), -1);
    EXPECT_TRUE(run.errors.contains(QString("/dev/mixer: ") + std::strerror(ENOENT) + "\n"))
        << run.errors.toStdString();
}
