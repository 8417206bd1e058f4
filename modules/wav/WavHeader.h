#pragma once
// The RIFF/WAVE header up to the start of the sample data: format chunk,
// LIST/INFO tags, and where the data chunk begins.
#include "Info.h"

#include <cstddef>
#include <cstdint>

namespace wavelark::modules::wav {

struct WavHeader
{
    int channels = 0;
    int rate = 0;
    int bits = 0;           // 8 (unsigned) or 16 (signed little-endian)
    size_t dataOffset = 0;  // first sample byte
    uint64_t dataBytes = 0; // 0 = unknown (streamed): play to the end
    Tags tags;
};

enum class ParseResult { Ok, NeedMore, Invalid };

// Parses from the first byte of `data`. NeedMore while the header runs past
// `length`; Invalid for anything but 8/16-bit PCM with 1 or 2 channels.
ParseResult parseWavHeader(const uint8_t *data, size_t length, WavHeader &out);

} // namespace wavelark::modules::wav
