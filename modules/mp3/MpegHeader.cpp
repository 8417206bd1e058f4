#include "MpegHeader.h"

#include "FrameSync.h"

#include <cstring>

namespace wavelark::modules::mp3 {

namespace {

// kbit/s by [lsf][layer-1][index]; lsf = MPEG 2 / 2.5.
constexpr int kBitrates[2][3][16] = {
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0}},
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0}},
};
constexpr int kRates[3] = {44100, 48000, 32000};

} // namespace

bool parseMpegHeader(const uint8_t *p, MpegHeader &h)
{
    if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0)
        return false;
    const int versionBits = (p[1] >> 3) & 3;
    const int layerBits = (p[1] >> 1) & 3;
    const int bitrateIndex = p[2] >> 4;
    const int rateIndex = (p[2] >> 2) & 3;
    const int padding = (p[2] >> 1) & 1;
    const int mode = p[3] >> 6;
    const int emphasis = p[3] & 3;
    // Reserved version, layer I or reserved layer, free or bad bitrate,
    // reserved rate, reserved emphasis.
    if (versionBits == 1 || layerBits == 0 || layerBits == 3 || bitrateIndex == 0 ||
        bitrateIndex == 15 || rateIndex == 3 || emphasis == 2)
        return false;
    h.version = versionBits == 3 ? 10 : versionBits == 2 ? 20 : 25;
    h.layer = 4 - layerBits;
    const bool lsf = h.version != 10;
    h.bitrate = kBitrates[lsf][h.layer - 1][bitrateIndex];
    h.rate = kRates[rateIndex] >> (h.version == 10 ? 0 : h.version == 20 ? 1 : 2);
    h.channels = mode == 3 ? 1 : 2;
    if (h.layer == 2)
        h.frameBytes = size_t(144000 * h.bitrate / h.rate + padding);
    else
        h.frameBytes = size_t((lsf ? 72000 : 144000) * h.bitrate / h.rate + padding);
    h.raw = uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
    return h.frameBytes >= 24;
}

long findMpegSync(const uint8_t *data, size_t length)
{
    return findFrameChain<MpegHeader>(
        data, length, 4, kMinChain,
        [](const uint8_t *p, MpegHeader &h) { return parseMpegHeader(p, h); },
        [data, length](size_t pos) {
            // A short file: the frames run exactly to the end, or to an ID3v1 tag.
            return pos == length || (pos + 128 == length && !std::memcmp(data + pos, "TAG", 3));
        });
}

} // namespace wavelark::modules::mp3
