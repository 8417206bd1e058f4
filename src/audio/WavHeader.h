#pragma once

// The 44-byte header of a RIFF/WAVE file of linear PCM.

#include "AudioSamples.h"

#include <array>
#include <cstdint>

namespace wavelark {

inline constexpr size_t kWavHeaderSize = 44;

// Header for `dataBytes` bytes of `format` converted to its linear output
// (8-bit unsigned or 16-bit signed). The RIFF size counts the pad byte that
// follows an odd-sized data chunk.
std::array<uint8_t, kWavHeaderSize> wavHeader(const PcmFormat &format, uint32_t dataBytes);

} // namespace wavelark
