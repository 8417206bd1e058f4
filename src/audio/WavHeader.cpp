#include "WavHeader.h"

#include <cstring>

namespace wavelark {

namespace {

void put32(uint8_t *p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

void put16(uint8_t *p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

} // namespace

std::array<uint8_t, kWavHeaderSize> wavHeader(const PcmFormat &format, uint32_t dataBytes)
{
    std::array<uint8_t, kWavHeaderSize> h{};
    const uint32_t frameBytes = static_cast<uint32_t>(format.outFrameBytes());
    const uint32_t sampleBits = 8 * frameBytes / static_cast<uint32_t>(format.channels);
    std::memcpy(&h[0], "RIFF", 4);
    put32(&h[4], 36 + dataBytes + (dataBytes & 1));
    std::memcpy(&h[8], "WAVEfmt ", 8);
    put32(&h[16], 16);
    put16(&h[20], 1); // linear PCM
    put16(&h[22], static_cast<uint32_t>(format.channels));
    put32(&h[24], static_cast<uint32_t>(format.rate));
    put32(&h[28], static_cast<uint32_t>(format.rate) * frameBytes);
    put16(&h[32], frameBytes);
    put16(&h[34], sampleBits);
    std::memcpy(&h[36], "data", 4);
    put32(&h[40], dataBytes);
    return h;
}

} // namespace wavelark
