#include "OssBackend.h"

#include "OssRequests.h"
#include "ProbeLists.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>

#if __has_include(<sys/soundcard.h>)
#include <sys/soundcard.h>
static_assert(wavelark::oss::kDspReset == SNDCTL_DSP_RESET);
static_assert(wavelark::oss::kDspSync == SNDCTL_DSP_SYNC);
static_assert(wavelark::oss::kDspPost == SNDCTL_DSP_POST);
static_assert(wavelark::oss::kDspSpeed == SNDCTL_DSP_SPEED);
static_assert(wavelark::oss::kDspStereo == SNDCTL_DSP_STEREO);
static_assert(wavelark::oss::kDspSetFmt == SNDCTL_DSP_SETFMT);
static_assert(wavelark::oss::kMixerWriteVolume == SOUND_MIXER_WRITE_VOLUME);
static_assert(wavelark::oss::kMixerReadOGain == SOUND_MIXER_READ_OGAIN);
#endif

namespace wavelark {

namespace {

// "<path>: <system text>" on stderr; errno is kept for the caller.
void report(const char *path)
{
    const int saved = errno;
    std::fprintf(stderr, "%s: %s\n", path, std::strerror(saved));
    errno = saved;
}

} // namespace

OssBackend::OssBackend(SystemCalls &sys) : sys_(sys), pcm_(sys), mixer_(sys)
{}

int OssBackend::open()
{
    const int pcm = sys_.open(oss::kDspPath, O_WRONLY);
    if (pcm < 0) {
        report(oss::kDspPath);
        return errno;
    }
    pcm_.reset(pcm);
    const int mixer = sys_.open(oss::kMixerPath, O_RDONLY);
    if (mixer < 0) {
        report(oss::kMixerPath);
        const int saved = errno;
        pcm_.reset();
        return saved;
    }
    mixer_.reset(mixer);
    return 0;
}

int OssBackend::close()
{
    if (!pcm_.valid())
        return -1;
    pcm_.reset();
    mixer_.reset();
    return 0;
}

int OssBackend::setVolume(int level)
{
    if (!mixer_.valid())
        return 0;
    int value = level; // the caller's 0..100 level as it is
    if (sys_.ioctl(mixer_.get(), oss::kMixerWriteVolume, &value) < 0) {
        report(oss::kMixerPath);
        return -1;
    }
    return 0;
}

int OssBackend::getVolume()
{
    int value = 0;
    if (sys_.ioctl(mixer_.get(), oss::kMixerReadOGain, &value) < 0) {
        report(oss::kMixerPath);
        return -1;
    }
    return value;
}

int OssBackend::setFormat(int channels, int rate, int format)
{
    if (!pcm_.valid())
        return 0;
    int stereo = channels - 1;
    sys_.ioctl(pcm_.get(), oss::kDspReset, nullptr);
    sys_.ioctl(pcm_.get(), oss::kDspSetFmt, &format);
    sys_.ioctl(pcm_.get(), oss::kDspStereo, &stereo);
    sys_.ioctl(pcm_.get(), oss::kDspSpeed, &rate);
    return 0;
}

int OssBackend::flush(bool wait)
{
    return sys_.ioctl(pcm_.get(), wait ? oss::kDspSync : oss::kDspPost, nullptr);
}

ssize_t OssBackend::writeSome(const uint8_t *data, size_t count)
{
    return sys_.write(pcm_.get(), data, count);
}

bool OssBackend::pcmRequestKeeps(unsigned long request, int value)
{
    int inOut = value;
    return sys_.ioctl(pcm_.get(), request, &inOut) >= 0 && inOut == value;
}

int OssBackend::channelMask()
{
    const bool mono = pcmRequestKeeps(oss::kDspStereo, 0);
    const bool stereo = pcmRequestKeeps(oss::kDspStereo, 1);
    return (mono ? 1 : 0) | (stereo ? 2 : 0);
}

int OssBackend::enumerate(AudioFormatEntry *table, int maxRows)
{
    sys_.ioctl(pcm_.get(), oss::kDspReset, nullptr);
    int rows = 0;
    for (const int format : kProbeFormats) {
        if (!pcmRequestKeeps(oss::kDspSetFmt, format))
            continue;
        for (const int rate : kProbeRates) {
            const int mask = channelMask();
            if (mask == 0)
                continue;
            int granted = rate; // a driver that rounds the rate still takes it
            if (sys_.ioctl(pcm_.get(), oss::kDspSpeed, &granted) < 0)
                continue;
            if (rows == maxRows)
                return rows;
            table[rows++] = {format, mask, rate};
        }
    }
    return rows;
}

} // namespace wavelark
