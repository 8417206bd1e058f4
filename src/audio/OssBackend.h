#pragma once

// The OSS devices: PCM data to "/dev/dsp", the level through "/dev/mixer".
// All system calls go through a SystemCalls seam. Messages on failure are
// "/dev/dsp: " or "/dev/mixer: " and the system's text.
// Threads: called only through AudioOps, under the engine's audio lock, which
// guards every field here.

#include "AudioBackend.h"
#include "SystemCalls.h"

namespace wavelark {

class OssBackend final : public AudioBackend
{
public:
    explicit OssBackend(SystemCalls &sys = realSystemCalls());

    int open() override;
    int close() override;
    int setVolume(int level) override;
    int getVolume() override;
    int setFormat(int channels, int rate, int format) override;
    int flush(bool wait) override;
    int enumerate(AudioFormatEntry *table, int maxRows) override;
    ssize_t writeSome(const uint8_t *data, size_t count) override;

    // The descriptors, -1 when closed.
    int pcmFd() const { return pcm_.get(); }
    int mixerFd() const { return mixer_.get(); }

private:
    // The request on the PCM descriptor with `value` in and out; true when
    // it succeeded and the driver handed `value` back unchanged.
    bool pcmRequestKeeps(unsigned long request, int value);
    int channelMask();

    SystemCalls &sys_;
    UniqueFd pcm_;
    UniqueFd mixer_;
};

} // namespace wavelark
