#include "AlsaBackend.h"

#include "ProbeLists.h"

#include <alsa/asoundlib.h>

#include <cerrno>
#include <cstdio>

namespace wavelark {

namespace {

// Buffer length asked of the device: long enough to ride out a decode
// interval, short enough that a stop is heard at once.
constexpr unsigned kLatencyMicroseconds = 500000;
// The buffer in two periods: a writer blocked on a full buffer wakes when
// half of it has played, twice a second, not at every quarter as ALSA's
// own choice would have it, and still has a quarter second in hand.
constexpr unsigned kPeriodMicroseconds = kLatencyMicroseconds / 2;

snd_pcm_format_t alsaFormat(int afmt)
{
    SampleLayout layout{};
    sampleLayout(afmt, layout);
    return layout.out == LinearFormat::U8 ? SND_PCM_FORMAT_U8 : SND_PCM_FORMAT_S16_LE;
}

struct HwParamsFree
{
    void operator()(snd_pcm_hw_params_t *p) const { snd_pcm_hw_params_free(p); }
};
using HwParams = std::unique_ptr<snd_pcm_hw_params_t, HwParamsFree>;

HwParams newHwParams()
{
    snd_pcm_hw_params_t *p = nullptr;
    return HwParams(snd_pcm_hw_params_malloc(&p) == 0 ? p : nullptr);
}

int channelMask(snd_pcm_t *pcm, snd_pcm_hw_params_t *params)
{
    int mask = 0;
    if (snd_pcm_hw_params_test_channels(pcm, params, 1) == 0)
        mask |= 1;
    if (snd_pcm_hw_params_test_channels(pcm, params, 2) == 0)
        mask |= 2;
    return mask;
}

// The library's own messages (file and line of its configuration code) say
// nothing a listener can act on; report() prints the one that matters.
void quietLibraryErrors(const char *, int, const char *, int, const char *, ...)
{}

} // namespace

void AlsaBackend::PcmCloser::operator()(snd_pcm_t *pcm) const
{
    snd_pcm_close(pcm);
}

AlsaBackend::AlsaBackend(std::string device) : device_(std::move(device))
{
    snd_lib_error_set_handler(quietLibraryErrors);
}

void AlsaBackend::report(int alsaError) const
{
    std::fprintf(stderr, "%s: %s\n", device_.c_str(), snd_strerror(alsaError));
}

namespace {

// The hardware and software parameters for two periods of half the
// latency each; playback starts once the buffer is full, as with
// snd_pcm_set_params. An ALSA error code.
int setTwoPeriods(snd_pcm_t *pcm, snd_pcm_format_t format, unsigned channels, unsigned rate)
{
    const HwParams hw = newHwParams();
    snd_pcm_sw_params_t *sw = nullptr;
    snd_pcm_sw_params_alloca(&sw);
    if (!hw)
        return -ENOMEM;
    unsigned buffer = kLatencyMicroseconds, period = kPeriodMicroseconds;
    snd_pcm_uframes_t bufferFrames = 0, periodFrames = 0;
    int err = 0;
    if ((err = snd_pcm_hw_params_any(pcm, hw.get())) < 0 ||
        (err = snd_pcm_hw_params_set_rate_resample(pcm, hw.get(), 1)) < 0 ||
        (err = snd_pcm_hw_params_set_access(pcm, hw.get(), SND_PCM_ACCESS_RW_INTERLEAVED)) < 0 ||
        (err = snd_pcm_hw_params_set_format(pcm, hw.get(), format)) < 0 ||
        (err = snd_pcm_hw_params_set_channels(pcm, hw.get(), channels)) < 0 ||
        (err = snd_pcm_hw_params_set_rate(pcm, hw.get(), rate, 0)) < 0 ||
        (err = snd_pcm_hw_params_set_buffer_time_near(pcm, hw.get(), &buffer, nullptr)) < 0 ||
        (err = snd_pcm_hw_params_set_period_time_near(pcm, hw.get(), &period, nullptr)) < 0 ||
        (err = snd_pcm_hw_params(pcm, hw.get())) < 0 ||
        (err = snd_pcm_get_params(pcm, &bufferFrames, &periodFrames)) < 0 ||
        (err = snd_pcm_sw_params_current(pcm, sw)) < 0 ||
        (err = snd_pcm_sw_params_set_start_threshold(
             pcm, sw, bufferFrames / periodFrames * periodFrames)) < 0 ||
        (err = snd_pcm_sw_params_set_avail_min(pcm, sw, periodFrames)) < 0)
        return err;
    return snd_pcm_sw_params(pcm, sw);
}

} // namespace

bool AlsaBackend::applyFormat()
{
    const auto channels = static_cast<unsigned>(format_.channels);
    const auto rate = static_cast<unsigned>(format_.rate);
    // A device that refuses that shape gets ALSA's own for the same latency.
    int err = setTwoPeriods(pcm_.get(), alsaFormat(format_.afmt), channels, rate);
    if (err < 0)
        err =
            snd_pcm_set_params(pcm_.get(), alsaFormat(format_.afmt), SND_PCM_ACCESS_RW_INTERLEAVED,
                               channels, rate, 1, kLatencyMicroseconds);
    configured_ = err == 0;
    if (err < 0)
        report(err);
    return configured_;
}

int AlsaBackend::open()
{
    if (pcm_)
        return 0;
    snd_pcm_t *pcm = nullptr;
    const int err = snd_pcm_open(&pcm, device_.c_str(), SND_PCM_STREAM_PLAYBACK, 0);
    if (err < 0) {
        report(err);
        return -err;
    }
    pcm_.reset(pcm);
    applyFormat(); // a stream writes before its decoder reports a format
    return 0;
}

int AlsaBackend::close()
{
    if (!pcm_)
        return -1;
    pcm_.reset();
    configured_ = false;
    return 0;
}

int AlsaBackend::setVolume(int level)
{
    gain_.setLevel(level);
    return 0;
}

int AlsaBackend::getVolume()
{
    return gain_.level();
}

int AlsaBackend::setFormat(int channels, int rate, int format)
{
    const PcmFormat wanted{channels, rate, format};
    if (!pcm_ || !wanted.valid() || (wanted == format_ && configured_))
        return 0;
    if (snd_pcm_state(pcm_.get()) == SND_PCM_STATE_RUNNING)
        snd_pcm_drain(pcm_.get()); // let the old format finish before the switch
    format_ = wanted;
    applyFormat();
    return 0;
}

int AlsaBackend::flush(bool wait)
{
    if (!pcm_) {
        errno = EBADF;
        return -1;
    }
    if (!wait) {
        snd_pcm_sframes_t queued = 0;
        if (snd_pcm_state(pcm_.get()) == SND_PCM_STATE_PREPARED &&
            snd_pcm_delay(pcm_.get(), &queued) == 0 && queued > 0)
            snd_pcm_start(pcm_.get());
        return 0;
    }
    const int err = snd_pcm_drain(pcm_.get());
    snd_pcm_prepare(pcm_.get()); // drained leaves the device set up, not ready
    if (err < 0) {
        errno = -err;
        return -1;
    }
    return 0;
}

int AlsaBackend::enumerate(AudioFormatEntry *table, int maxRows)
{
    const HwParams any = newHwParams(), byFormat = newHwParams(), byRate = newHwParams();
    if (!pcm_ || !any || !byFormat || !byRate || snd_pcm_hw_params_any(pcm_.get(), any.get()) < 0)
        return 0;
    snd_pcm_hw_params_set_access(pcm_.get(), any.get(), SND_PCM_ACCESS_RW_INTERLEAVED);
    int rows = 0;
    for (const int format : kProbeFormats) {
        snd_pcm_hw_params_copy(byFormat.get(), any.get());
        if (snd_pcm_hw_params_set_format(pcm_.get(), byFormat.get(), alsaFormat(format)) < 0)
            continue;
        for (const int rate : kProbeRates) {
            snd_pcm_hw_params_copy(byRate.get(), byFormat.get());
            if (snd_pcm_hw_params_set_rate(pcm_.get(), byRate.get(), static_cast<unsigned>(rate),
                                           0) < 0)
                continue;
            const int mask = channelMask(pcm_.get(), byRate.get());
            if (mask == 0)
                continue;
            if (rows == maxRows)
                return rows;
            table[rows++] = {format, mask, rate};
        }
    }
    return rows;
}

std::span<const uint8_t> AlsaBackend::prepare(std::span<const uint8_t> in)
{
    return gain_.apply(format_.afmt, in);
}

ssize_t AlsaBackend::writeSome(const uint8_t *data, size_t count)
{
    if (!pcm_ || !configured_) {
        errno = pcm_ ? EIO : EBADF;
        return -1;
    }
    const size_t frameBytes = static_cast<size_t>(format_.outFrameBytes());
    const size_t frames = count / frameBytes;
    if (frames == 0)
        return static_cast<ssize_t>(count); // a partial frame cannot be played: dropped
    const snd_pcm_sframes_t n = snd_pcm_writei(pcm_.get(), data, frames);
    if (n >= 0)
        return static_cast<ssize_t>(static_cast<size_t>(n) * frameBytes);
    // Underrun or suspend: recover and let the host try again.
    errno = snd_pcm_recover(pcm_.get(), static_cast<int>(n), 1) == 0 ? EINTR : static_cast<int>(-n);
    return -1;
}

} // namespace wavelark
