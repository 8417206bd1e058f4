#pragma once

// Playback through a PulseAudio sound server (PipeWire desktops answer too,
// through pipewire-pulse). The client is named "Wavelark", its stream too,
// and the stream's media.title is the song, so the desktop's sound settings
// show the player by name. Formats are converted in software to U8 or
// S16_LE (AudioSamples.h), and the level is a software gain, as for ALSA:
// the desktop's own stream volume stays the user's. `close` drops what is
// still queued. Messages: "pulse: " and the server's text.
//
// Threads: called only through AudioOps, under the engine's audio lock, which
// guards every field here. libpulse's own thread runs its callbacks; they only
// wake the caller waiting on the threaded main loop.

#include "AudioBackend.h"
#include "AudioSamples.h"

#include <string>

struct pa_threaded_mainloop;
struct pa_context;
struct pa_stream;
struct pa_operation;

namespace wavelark {

class PulseBackend final : public AudioBackend
{
public:
    // `server` as libpulse takes it ("unix:/path", a host); empty: the
    // default server (PULSE_SERVER, then the user's own).
    explicit PulseBackend(std::string server = {});
    ~PulseBackend() override;
    PulseBackend(const PulseBackend &) = delete;
    PulseBackend &operator=(const PulseBackend &) = delete;

    int open() override;
    int close() override;
    int setVolume(int level) override;
    int getVolume() override;
    int setFormat(int channels, int rate, int format) override;
    int flush(bool wait) override;
    int enumerate(AudioFormatEntry *table, int maxRows) override;
    std::span<const uint8_t> prepare(std::span<const uint8_t> in) override;
    ssize_t writeSome(const uint8_t *data, size_t count) override;
    void setTitle(const std::string &title) override;

private:
    bool connectContext();
    // A stream for format_; false (message printed) when the server refuses it.
    bool openStream();
    // Drains first when `drain`; the stream is gone afterwards.
    void closeStream(bool drain);
    // Waits (main loop locked) until `op` is done, then releases it.
    void finish(pa_operation *op);
    bool streamReady() const;
    void report(const char *what) const;

    std::string server_;
    std::string title_;
    pa_threaded_mainloop *loop_ = nullptr;
    pa_context *context_ = nullptr;
    pa_stream *stream_ = nullptr;
    SoftwareGain gain_;
    PcmFormat format_;
};

// True when a sound server answers at the default address within a second
// (nothing is started to answer).
bool pulseServerAnswers();

} // namespace wavelark
