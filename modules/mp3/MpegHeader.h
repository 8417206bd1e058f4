#pragma once
// MPEG audio frame headers (layers II and III, MPEG 1, 2 and 2.5) and the
// sync search that decides whether bytes are an MPEG audio stream.
#include <cstddef>
#include <cstdint>

namespace wavelark::modules::mp3 {

struct MpegHeader
{
    int version = 0; // 10 = MPEG 1, 20 = MPEG 2, 25 = MPEG 2.5
    int layer = 0;   // 2 or 3
    int bitrate = 0; // kbit/s
    int rate = 0;    // Hz
    int channels = 0;
    size_t frameBytes = 0;
    uint32_t raw = 0;

    // Version, layer and rate: what stays the same from frame to frame.
    bool sameStream(const MpegHeader &o) const
    {
        return version == o.version && layer == o.layer && rate == o.rate;
    }
};

// Parses four bytes; false for anything that is not a layer II/III header
// with a known bitrate (free format is not accepted) and rate.
bool parseMpegHeader(const uint8_t *p, MpegHeader &out);

// Offset of the first frame in `data` that starts a chain of well-formed,
// consistent frames: at least kMinChain of them, or at least two that end
// exactly at the end of the data. -1 when there is none.
inline constexpr int kMinChain = 4;
long findMpegSync(const uint8_t *data, size_t length);

} // namespace wavelark::modules::mp3
