#pragma once

// ALSA playback through libasound. The OSS format codes are converted in
// software to ALSA's U8 or S16_LE (see AudioSamples.h), and the level is a
// software gain. `flush(true)` drains; `close` drops what is still queued.
// Messages: the device name, ": " and ALSA's text.
// Threads: called only through AudioOps, under the engine's audio lock, which
// guards every field here.

#include "AudioBackend.h"
#include "AudioSamples.h"

#include <memory>
#include <string>

typedef struct _snd_pcm snd_pcm_t;

namespace wavelark {

class AlsaBackend final : public AudioBackend
{
public:
    explicit AlsaBackend(std::string device = "default");

    int open() override;
    int close() override;
    int setVolume(int level) override;
    int getVolume() override;
    int setFormat(int channels, int rate, int format) override;
    int flush(bool wait) override;
    int enumerate(AudioFormatEntry *table, int maxRows) override;
    std::span<const uint8_t> prepare(std::span<const uint8_t> in) override;
    ssize_t writeSome(const uint8_t *data, size_t count) override;

    const std::string &device() const { return device_; }

private:
    struct PcmCloser
    {
        void operator()(snd_pcm_t *pcm) const;
    };
    using PcmHandle = std::unique_ptr<snd_pcm_t, PcmCloser>;

    // Sets the hardware parameters for format_; false (message printed) when
    // the device refuses them.
    bool applyFormat();
    void report(int alsaError) const;

    std::string device_;
    PcmHandle pcm_;
    SoftwareGain gain_;
    PcmFormat format_;
    bool configured_ = false;
};

} // namespace wavelark
