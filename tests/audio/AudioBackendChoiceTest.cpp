// Backend selection from WAVELARK_AUDIO, and the process's shared table.

#include "AudioBackendChoice.h"
#include "AudioOps.h"
#include "TempHome.h"
#include "WavReader.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>
#include <vector>

using wavelark::AudioBackendChoice;
using wavelark::parseAudioBackend;
using Kind = AudioBackendChoice::Kind;

namespace {

int dspAsked = 0;
bool dspThere()
{
    ++dspAsked;
    return true;
}
bool dspMissing()
{
    ++dspAsked;
    return false;
}

int serverAsked = 0;
bool serverThere()
{
    ++serverAsked;
    return true;
}
bool serverMissing()
{
    ++serverAsked;
    return false;
}

} // namespace

TEST(AudioBackendChoice, NamedBackendsWithTheirArguments)
{
    struct Case
    {
        const char *value;
        Kind kind;
        std::string argument;
    } cases[] = {
        {"oss", Kind::Oss, ""},
        {"null", Kind::Null, ""},
        {"alsa", Kind::Alsa, "default"},
        {"alsa:hw:1,0", Kind::Alsa, "hw:1,0"},
        {"wav:/tmp/a b.wav", Kind::Wav, "/tmp/a b.wav"},
        {"pulse", Kind::Pulse, ""},
        {"pulse:unix:/run/user/1000/pulse/native", Kind::Pulse, "unix:/run/user/1000/pulse/native"},
    };
    dspAsked = 0;
    for (const Case &c : cases) {
        const AudioBackendChoice choice = parseAudioBackend(c.value, dspThere);
        EXPECT_EQ(choice.kind, c.kind) << c.value;
        EXPECT_EQ(choice.argument, c.argument) << c.value;
    }
    EXPECT_EQ(dspAsked, 0) << "a named backend does not probe /dev/dsp";
}

TEST(AudioBackendChoice, UnsetOrEmptyPrefersAWritableDspThenASoundServerElseAlsa)
{
    serverAsked = 0;
    EXPECT_EQ(parseAudioBackend(nullptr, dspThere, serverThere).kind, Kind::Oss);
    EXPECT_EQ(parseAudioBackend("", dspThere, serverThere).kind, Kind::Oss);
    EXPECT_EQ(serverAsked, 0) << "a writable /dev/dsp is taken without asking the server";
    const AudioBackendChoice pulse = parseAudioBackend(nullptr, dspMissing, serverThere);
    EXPECT_EQ(pulse.kind, Kind::Pulse);
    EXPECT_EQ(pulse.argument, "") << "the default server";
    EXPECT_EQ(serverAsked, 1);
    for (auto *server : {serverMissing, static_cast<bool (*)()>(nullptr)}) {
        const AudioBackendChoice alsa = parseAudioBackend(nullptr, dspMissing, server);
        EXPECT_EQ(alsa.kind, Kind::Alsa);
        EXPECT_EQ(alsa.argument, "default");
    }
    EXPECT_EQ(parseAudioBackend("alsa", dspMissing, serverThere).kind, Kind::Alsa)
        << "a named backend wins over an answering server";
}

TEST(AudioBackendChoice, UnknownValuesNameTheAcceptedOnesAndFallBackToNull)
{
    for (const char *value : {"pulseaudio", "OSS", "wav:", "alsa:", "pulse:", "nul", "wav"}) {
        ::testing::internal::CaptureStderr();
        const AudioBackendChoice choice = parseAudioBackend(value, dspThere);
        const std::string err = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(choice.kind, Kind::Null) << value;
        EXPECT_NE(err.find(std::string("'") + value + "'"), std::string::npos) << err;
        for (const char *accepted :
             {"oss", "pulse", "pulse:SERVER", "alsa", "alsa:DEVICE", "wav:PATH", "null"})
            EXPECT_NE(err.find(accepted), std::string::npos)
                << accepted << " missing from: " << err;
    }
}

// The only test in this program that touches the shared table, so the
// variable set here is the one its first call reads.
TEST(SharedAudioOps, FilledOnceFromTheEnvironmentAndSharedByEveryCaller)
{
    TempHome home;
    const QString path = home.file("shared.wav");
    ASSERT_EQ(setenv("WAVELARK_AUDIO", ("wav:" + path).toLocal8Bit().constData(), 1), 0);

    std::vector<AudioOps *> seen(8, nullptr);
    std::vector<std::thread> threads;
    for (auto &slot : seen)
        threads.emplace_back([&slot] { slot = sharedAudioOps(); });
    for (auto &t : threads)
        t.join();
    AudioOps *ops = sharedAudioOps();
    for (AudioOps *p : seen)
        EXPECT_EQ(p, ops);

    EXPECT_EQ(ops->openCount, 0);
    ASSERT_NE(ops->userData, nullptr);
    ASSERT_TRUE(ops->open && ops->close && ops->setVolume && ops->getVolume && ops->setFormat &&
                ops->write && ops->flush && ops->enumerate);

    ASSERT_EQ(ops->open(ops->userData), 0);
    ops->setFormat(ops->userData, 1, 8000, 16);
    EXPECT_EQ(ops->write(ops->userData, "\1\0\2\0", 4), 4);
    EXPECT_EQ(ops->close(ops->userData), 0);
    const WavFile w = readWav(readAllBytes(path));
    EXPECT_TRUE(w.ok) << w.problem.toStdString();
    EXPECT_EQ(w.data, QByteArray("\1\0\2\0", 4));

    setenv("WAVELARK_AUDIO", "null", 1);
    EXPECT_EQ(sharedAudioOps(), ops);
    EXPECT_EQ(sharedAudioOps()->userData, ops->userData) << "the table is filled only once";
}
