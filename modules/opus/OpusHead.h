#pragma once
// The two header packets of an Ogg Opus stream.
#include "Info.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace wavelark::modules::opus {

struct OpusHead
{
    int channels = 0;
    int preSkip = 0; // samples at 48 kHz to drop at the start
    int gainQ8 = 0;  // output gain, dB in Q7.8
    int family = 0;  // channel mapping family: 0 or 1
    int streams = 1;
    int coupled = 0;
    std::array<uint8_t, 255> mapping{};
};

// Parses the identification header; false for anything this module cannot
// decode (unknown major version, mapping families other than 0 and 1,
// inconsistent stream counts).
bool parseOpusHead(const uint8_t *p, size_t n, OpusHead &out);

// Parses "OpusTags": vendor string, then "KEY=value" comments. False when
// the packet is not a comment header or its lengths run past its end.
bool parseOpusTags(const uint8_t *p, size_t n, Tags &out);

} // namespace wavelark::modules::opus
