// The PulseAudio backend against a real server of the test's own: what the
// server shows of the stream, and what its sink received.

#include "PulseBackend.h"
#include "PulseServer.h"
#include "StderrCapture.h"
#include "WaitUntil.h"

#include <wavelark/decoder.h>

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryFile>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

using wavelark::PulseBackend;

namespace {

class PulseBackendTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.up()) << "pulseaudio did not start";
        wavelark::fillAudioOps(ops, backend);
    }
    QString sinkInputs() const { return server.pactl("list sink-inputs"); }

    PulseServer server;
    PulseBackend backend{server.address().toStdString()};
    AudioOps ops;
};

// `seconds` of a 441 Hz square wave, stereo S16_LE at 44100 Hz, of amplitude `peak`.
std::vector<int16_t> square(double seconds, int16_t peak)
{
    std::vector<int16_t> out(size_t(seconds * 44100) * 2);
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = (i / 2) % 100 < 50 ? peak : int16_t(-peak);
    return out;
}

int peakOf(const QByteArray &raw)
{
    int peak = 0;
    for (qsizetype i = 0; i + 1 < raw.size(); i += 2) {
        int16_t v = 0;
        std::memcpy(&v, raw.constData() + i, 2);
        peak = std::max(peak, std::abs(int(v)));
    }
    return peak;
}

} // namespace

TEST_F(PulseBackendTest, TheServerShowsThePlayerByNameAndTheSongAsTitle)
{
    ops.setTitle(ops.userData, "Artist 1 - Song 1"); // before open: kept for the stream
    ASSERT_EQ(ops.open(ops.userData), 0);
    ops.setFormat(ops.userData, 2, 44100, WAVELARK_AFMT_S16_LE);
    const std::vector<int16_t> tone = square(0.3, 10000);
    const ssize_t bytes = ssize_t(tone.size() * 2);
    ASSERT_EQ(ops.write(ops.userData, tone.data(), size_t(bytes)), bytes);

    QString listing = sinkInputs();
    EXPECT_EQ(pulseProperty(listing, "application.name"), "Wavelark");
    EXPECT_EQ(pulseProperty(listing, "media.name"), "Wavelark");
    EXPECT_EQ(pulseProperty(listing, "media.title"), "Artist 1 - Song 1");
    EXPECT_TRUE(listing.contains(": s16le 2ch 44100Hz")) << listing.toStdString();

    // A new song: the same stream takes the new title.
    const QString before = sinkInputs().section('\n', 0, 0);
    ops.setTitle(ops.userData, "Artist 2 - Song 2");
    EXPECT_TRUE(processEventsUntil(everyFiftyMs([&] {
                                       listing = sinkInputs();
                                       return pulseProperty(listing, "media.title") ==
                                              "Artist 2 - Song 2";
                                   }),
                                   10000))
        << listing.toStdString();
    EXPECT_EQ(listing.section('\n', 0, 0), before) << "the title changes on the same stream";

    // A format change gives a stream of the new format that keeps the title.
    ops.setFormat(ops.userData, 1, 22050, WAVELARK_AFMT_U8);
    ASSERT_EQ(ops.write(ops.userData, std::string(22050, '\x90').data(), 22050), 22050);
    listing = sinkInputs();
    EXPECT_TRUE(listing.contains(": u8 1ch 22050Hz")) << listing.toStdString();
    EXPECT_EQ(pulseProperty(listing, "media.title"), "Artist 2 - Song 2");
    EXPECT_EQ(ops.flush(ops.userData, true), 0);

    EXPECT_EQ(ops.close(ops.userData), 0);
    EXPECT_EQ(ops.close(ops.userData), -1);
    EXPECT_TRUE(
        processEventsUntil(everyFiftyMs([&] { return sinkInputs().trimmed().isEmpty(); }), 10000))
        << "the stream leaves the server on close";
}

TEST_F(PulseBackendTest, TheSinkReceivesTheSamplesAtTheSoftwareLevel)
{
    const QString rawPath = QDir::temp().filePath("wavelark-pulse-XXXXXX.raw");
    QTemporaryFile raw(rawPath);
    ASSERT_TRUE(raw.open());
    ASSERT_TRUE(server.record(raw.fileName()));

    ASSERT_EQ(ops.open(ops.userData), 0);
    AudioFormatEntry rows[128] = {};
    EXPECT_EQ(ops.enumerate(ops.userData, rows, 128, &ops), 54) << "the server converts any probe";
    ops.setFormat(ops.userData, 2, 44100, WAVELARK_AFMT_S16_LE);
    ops.setVolume(ops.userData, 45);
    EXPECT_EQ(ops.getVolume(ops.userData), 45);
    const std::vector<int16_t> tone = square(1.0, 20000);
    const ssize_t bytes = ssize_t(tone.size() * 2);
    ASSERT_EQ(ops.write(ops.userData, tone.data(), size_t(bytes)), bytes);
    EXPECT_EQ(ops.flush(ops.userData, true), 0) << "drains: returns once all was played";

    // The sink mixes at its own format (the same as the stream's), so the
    // samples arrive as the gain left them: 20000 at 45 % is 9000.
    QByteArray heard;
    EXPECT_TRUE(processEventsUntil(
        [&] {
            heard = readAllBytes(raw.fileName());
            return peakOf(heard) >= 9000 - 2;
        },
        10000))
        << "peak heard: " << peakOf(heard);
    EXPECT_LE(peakOf(heard), 9000 + 2);
    ops.close(ops.userData);
}

TEST_F(PulseBackendTest, AServerThatGoesAwayFailsTheWriteInsteadOfHanging)
{
    ASSERT_EQ(ops.open(ops.userData), 0);
    ops.setFormat(ops.userData, 2, 44100, WAVELARK_AFMT_S16_LE);
    const std::vector<int16_t> tone = square(0.2, 1000);
    ASSERT_GT(ops.write(ops.userData, tone.data(), tone.size() * 2), 0);
    server.kill();
    // Enough to fill any queue: the backend must notice the loss.
    const std::vector<int16_t> more = square(5.0, 1000);
    ssize_t result = 0;
    for (int i = 0; i < 10 && result >= 0; ++i)
        result = ops.write(ops.userData, more.data(), more.size() * 2);
    EXPECT_EQ(result, -1);
    EXPECT_EQ(errno, EIO);
    EXPECT_EQ(ops.flush(ops.userData, true), -1);
    EXPECT_EQ(ops.close(ops.userData), 0);
}

TEST(PulseBackendNoServer, OpenFailsWithTheServersTextAndNothingAnswers)
{
    TempHome home;
    const QString missing = "unix:" + home.file("no-server");
    PulseBackend backend(missing.toStdString());
    AudioOps ops;
    wavelark::fillAudioOps(ops, backend);
    StderrCapture err;
    EXPECT_NE(ops.open(ops.userData), 0);
    EXPECT_TRUE(err.text().startsWith("pulse: " + missing + ": ")) << err.text().toStdString();
    EXPECT_EQ(ops.close(ops.userData), -1) << "nothing stays open";

    qputenv("PULSE_SERVER", missing.toUtf8());
    EXPECT_FALSE(wavelark::pulseServerAnswers());
    PulseServer server;
    ASSERT_TRUE(server.up());
    qputenv("PULSE_SERVER", server.address().toUtf8());
    EXPECT_TRUE(wavelark::pulseServerAnswers());
    qunsetenv("PULSE_SERVER");
}
