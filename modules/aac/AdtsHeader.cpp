#include "AdtsHeader.h"

#include "FrameSync.h"

namespace wavelark::modules::aac {

namespace {
constexpr int kRates[13] = {96000, 88200, 64000, 48000, 44100, 32000, 24000,
                            22050, 16000, 12000, 11025, 8000,  7350};
} // namespace

bool parseAdtsHeader(const uint8_t *p, AdtsHeader &h)
{
    // Sync 0xFFF, layer 00.
    if (p[0] != 0xFF || (p[1] & 0xF6) != 0xF0)
        return false;
    h.mpegVersion = (p[1] & 0x08) ? 2 : 4;
    h.headerBytes = (p[1] & 1) ? 7 : 9;
    h.objectType = (p[2] >> 6) + 1;
    h.rateIndex = (p[2] >> 2) & 0x0F;
    h.channelConfig = (p[2] & 1) << 2 | p[3] >> 6;
    h.frameBytes = size_t(p[3] & 3) << 11 | size_t(p[4]) << 3 | p[5] >> 5;
    h.rawBlocks = (p[6] & 3) + 1;
    if (h.objectType == 3 || h.rateIndex > 12 || h.frameBytes <= h.headerBytes)
        return false;
    h.rate = kRates[h.rateIndex];
    return true;
}

long findAdtsSync(const uint8_t *data, size_t length)
{
    return findFrameChain<AdtsHeader>(
        data, length, 7, kMinChain,
        [](const uint8_t *p, AdtsHeader &h) { return parseAdtsHeader(p, h); },
        [length](size_t pos) { return pos == length; });
}

} // namespace wavelark::modules::aac
