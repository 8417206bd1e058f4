#pragma once

// What a backend implements. The AudioOps operations forward here; the host
// side (fillAudioOps) does the tedious parts once: it turns a write into
// repeated writeSome calls until all bytes are out, retrying EINTR.
//
// Threads and locks: called only through AudioOps, so always under the
// engine's audio lock; a backend needs no lock of its own.

#include "AudioOps.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <sys/types.h>

namespace wavelark {

class AudioBackend
{
public:
    virtual ~AudioBackend() = default;

    // Same contracts as the AudioOps slots of the same names.
    virtual int open() = 0;
    virtual int close() = 0;
    virtual int setVolume(int level) = 0;
    virtual int getVolume() = 0;
    virtual int setFormat(int channels, int rate, int format) = 0;
    virtual int flush(bool wait) = 0;
    virtual int enumerate(AudioFormatEntry *table, int maxRows) = 0;

    // The bytes to send for `in` (software gain, sample conversion). The
    // result stays valid until the next call; by default `in` itself.
    virtual std::span<const uint8_t> prepare(std::span<const uint8_t> in) { return in; }
    // One attempt to write: bytes taken (> 0), 0 when nothing more can be
    // taken, or -1 with errno (EINTR is retried by the host).
    virtual ssize_t writeSome(const uint8_t *data, size_t count) = 0;
    // The song now playing, for a backend that can show it (a sound server).
    virtual void setTitle(const std::string &) {}
};

// The host's write: prepare once, then writeSome until everything is out.
// Returns count when all went out, the share of count that went out when a
// later attempt failed or took nothing, or -1 (errno kept) when nothing did.
ssize_t writeAll(AudioBackend &backend, const void *data, size_t count);

} // namespace wavelark
