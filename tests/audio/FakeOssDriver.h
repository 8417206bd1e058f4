#pragma once

// A scriptable OSS driver behind the SystemCalls seam: it takes only the
// formats, rates and channel counts it is told to, can round rates, refuse
// the devices or the mixer, and cut, interrupt or fail writes. It records
// every request so tests can check the order.

#include "OssRequests.h"
#include "SystemCalls.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <deque>
#include <fcntl.h>
#include <map>
#include <set>
#include <string>
#include <vector>

struct OssRequest
{
    int fd;
    unsigned long request;
    bool hasArgument;
    int argument; // as passed in
};

// One scripted outcome of a write: take at most `limit` bytes, or fail with `error`.
struct WriteStep
{
    size_t limit = SIZE_MAX;
    int error = 0;
};

class FakeOssDriver : public wavelark::SystemCalls
{
public:
    // What the driver takes.
    std::set<int> formats;
    std::set<int> rates;
    std::map<int, int> roundedRates; // requested -> handed back
    bool mono = false;
    bool stereo = false;
    int dspOpenErrno = 0;
    int mixerOpenErrno = 0;
    int mixerRequestErrno = 0;
    int outputGain = 0; // mixer channel 13

    // What happened.
    std::vector<std::pair<std::string, int>> opened; // path, flags
    std::vector<OssRequest> requests;
    std::vector<uint8_t> played;
    std::deque<WriteStep> writeScript;
    std::map<int, int> mixerChannels; // channel -> last level written
    std::set<int> openFds;
    int dspFd = -1;
    int mixerFd = -1;

    static FakeOssDriver everything()
    {
        FakeOssDriver d;
        d.formats = {16, 8, 64, 1, 2, 128};
        d.rates = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};
        d.mono = d.stereo = true;
        return d;
    }

    int open(const char *path, int flags) override
    {
        opened.emplace_back(path, flags);
        const bool isDsp = std::string(path) == wavelark::oss::kDspPath;
        const int err = isDsp ? dspOpenErrno : mixerOpenErrno;
        if (err != 0)
            return fail(err);
        const int fd = nextFd_++;
        (isDsp ? dspFd : mixerFd) = fd;
        openFds.insert(fd);
        return fd;
    }

    int close(int fd) override { return openFds.erase(fd) ? 0 : fail(EBADF); }

    int ioctl(int fd, unsigned long request, int *arg) override
    {
        requests.push_back({fd, request, arg != nullptr, arg ? *arg : 0});
        if (!openFds.count(fd))
            return fail(EBADF);
        return fd == mixerFd ? mixerRequest(request, arg) : dspRequest(request, arg);
    }

    ssize_t write(int fd, const void *data, size_t count) override
    {
        if (fd != dspFd || !openFds.count(fd))
            return fail(EBADF);
        WriteStep step;
        if (!writeScript.empty()) {
            step = writeScript.front();
            writeScript.pop_front();
        }
        if (step.error)
            return fail(step.error);
        const size_t n = std::min(count, step.limit);
        const auto *p = static_cast<const uint8_t *>(data);
        played.insert(played.end(), p, p + n);
        return static_cast<ssize_t>(n);
    }

    // The requests made on the PCM descriptor, without the open/close noise.
    std::vector<OssRequest> dspRequests() const
    {
        std::vector<OssRequest> out;
        for (const auto &r : requests)
            if (r.fd == dspFd)
                out.push_back(r);
        return out;
    }

private:
    static int fail(int err)
    {
        errno = err;
        return -1;
    }

    int dspRequest(unsigned long request, int *arg)
    {
        namespace oss = wavelark::oss;
        if (request == oss::kDspReset || request == oss::kDspSync || request == oss::kDspPost)
            return 0;
        if (!arg)
            return fail(EFAULT);
        if (request == oss::kDspSetFmt)
            return formats.count(*arg) ? 0 : fail(EINVAL);
        if (request == oss::kDspStereo) {
            // A driver hands back what it can do instead of failing.
            if (!(*arg == 1 ? stereo : mono))
                *arg = *arg == 1 ? 0 : 1;
            return 0;
        }
        if (request == oss::kDspSpeed) {
            if (!rates.count(*arg))
                return fail(EINVAL);
            if (roundedRates.count(*arg))
                *arg = roundedRates.at(*arg);
            return 0;
        }
        return fail(ENOTTY);
    }

    int mixerRequest(unsigned long request, int *arg)
    {
        if (mixerRequestErrno)
            return fail(mixerRequestErrno);
        if (request == wavelark::oss::kMixerWriteVolume) {
            mixerChannels[0] = *arg;
            return 0;
        }
        if (request == wavelark::oss::kMixerReadOGain) {
            *arg = outputGain;
            return 0;
        }
        return fail(ENOTTY);
    }

    int nextFd_ = 10;
};
