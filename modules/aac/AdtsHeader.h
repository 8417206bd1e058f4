#pragma once
// ADTS frame headers and the sync search that decides whether bytes are an
// AAC stream in ADTS framing.
#include <cstddef>
#include <cstdint>

namespace wavelark::modules::aac {

struct AdtsHeader
{
    int mpegVersion = 4; // 2 or 4
    int objectType = 2;  // 1 Main, 2 LC, 4 LTP
    int rateIndex = 0;
    int rate = 0; // core sample rate, Hz
    int channelConfig = 0;
    size_t frameBytes = 0;  // header included
    size_t headerBytes = 7; // 9 with CRC
    int rawBlocks = 1;

    // What stays the same from frame to frame of one stream.
    bool sameStream(const AdtsHeader &o) const
    {
        return mpegVersion == o.mpegVersion && objectType == o.objectType &&
               rateIndex == o.rateIndex && channelConfig == o.channelConfig;
    }
};

// Parses seven bytes; false for anything that is not an ADTS header of an
// object type faad2 decodes (Main, LC, LTP) with a known rate.
bool parseAdtsHeader(const uint8_t *p, AdtsHeader &out);

// Offset of the first frame that starts a chain of at least kMinChain
// consistent frames (or at least two that end exactly at the end of the
// data); -1 when there is none.
inline constexpr int kMinChain = 4;
long findAdtsSync(const uint8_t *data, size_t length);

} // namespace wavelark::modules::aac
