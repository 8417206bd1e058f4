#include "AudioSamples.h"

#include <wavelark/decoder.h>

#include <algorithm>
#include <bit>
#include <cstring>

namespace wavelark {

bool sampleLayout(int afmt, SampleLayout &layout)
{
    switch (static_cast<unsigned>(afmt)) {
    case WAVELARK_AFMT_U8:
    case WAVELARK_AFMT_S8: layout = {LinearFormat::U8, 1, 1}; return true;
    case WAVELARK_AFMT_S16_LE:
    case WAVELARK_AFMT_S16_BE:
    case WAVELARK_AFMT_U16_LE: layout = {LinearFormat::S16LE, 2, 2}; return true;
    case WAVELARK_AFMT_MU_LAW:
    case WAVELARK_AFMT_A_LAW: layout = {LinearFormat::S16LE, 1, 2}; return true;
    default: return false;
    }
}

int16_t muLawToLinear(uint8_t code)
{
    const int u = static_cast<uint8_t>(~code);
    const int magnitude = (((u & 0x0F) << 3) + 0x84) << ((u & 0x70) >> 4);
    return static_cast<int16_t>((u & 0x80) ? 0x84 - magnitude : magnitude - 0x84);
}

int16_t aLawToLinear(uint8_t code)
{
    const int a = code ^ 0x55;
    const int segment = (a & 0x70) >> 4;
    int magnitude = (a & 0x0F) << 4;
    if (segment == 0)
        magnitude += 8;
    else
        magnitude = (magnitude + 0x108) << (segment - 1);
    return static_cast<int16_t>((a & 0x80) ? magnitude : -magnitude);
}

int clampLevel(int level)
{
    return std::clamp(level, 0, 100);
}

bool passesUnchanged(int afmt, int level)
{
    const auto code = static_cast<unsigned>(afmt);
    return clampLevel(level) == 100 && (code == WAVELARK_AFMT_U8 || code == WAVELARK_AFMT_S16_LE);
}

namespace {

// One input sample as a signed linear value (8- or 16-bit range).
int linearSample(unsigned afmt, const uint8_t *p)
{
    switch (afmt) {
    case WAVELARK_AFMT_U8: return p[0] - 128;
    case WAVELARK_AFMT_S8: return static_cast<int8_t>(p[0]);
    case WAVELARK_AFMT_S16_LE: return static_cast<int16_t>(p[0] | (p[1] << 8));
    case WAVELARK_AFMT_S16_BE: return static_cast<int16_t>(p[1] | (p[0] << 8));
    case WAVELARK_AFMT_U16_LE: return (p[0] | (p[1] << 8)) - 32768;
    case WAVELARK_AFMT_MU_LAW: return muLawToLinear(p[0]);
    case WAVELARK_AFMT_A_LAW: return aLawToLinear(p[0]);
    default: return 0;
    }
}

} // namespace

void convertSamples(int afmt, int level, const uint8_t *in, size_t count, std::vector<uint8_t> &out)
{
    SampleLayout layout{};
    if (!sampleLayout(afmt, layout)) {
        out.clear();
        return;
    }
    const int gain = clampLevel(level);
    const size_t samples = count / static_cast<size_t>(layout.inBytes);
    // Every byte is written below: a buffer kept at its size is not cleared first.
    out.resize(samples * static_cast<size_t>(layout.outBytes));
    const auto code = static_cast<unsigned>(afmt);
    if constexpr (std::endian::native == std::endian::little) {
        // The common case (decoders' output below full level) as a loop the
        // compiler vectorises. The same values as the general one: a float
        // holds x = v * gain exactly (|x| < 2^22), and x times the float just
        // above 1/100 (0.01f itself is just below) lands at or above x / 100
        // and, for |x| below seven million, short of the next integer: the
        // truncation is x / 100's. A multiplication, where a division by 100
        // took several times as long.
        if (code == WAVELARK_AFMT_S16_LE) {
            constexpr float kHundredth = 0x1.47ae16p-7f; // 0.0100000007
            const float g = float(gain);
            uint8_t *to = out.data();
            for (size_t i = 0; i < samples; ++i) {
                int16_t v = 0;
                std::memcpy(&v, in + 2 * i, 2);
                v = static_cast<int16_t>(static_cast<int>(float(v) * g * kHundredth));
                std::memcpy(to + 2 * i, &v, 2);
            }
            return;
        }
    }
    for (size_t i = 0; i < samples; ++i) {
        const int value = linearSample(code, in + i * layout.inBytes) * gain / 100;
        if (layout.out == LinearFormat::U8) {
            out[i] = static_cast<uint8_t>(value + 128);
        } else {
            const auto bits = static_cast<uint16_t>(value);
            out[2 * i] = static_cast<uint8_t>(bits & 0xFF);
            out[2 * i + 1] = static_cast<uint8_t>(bits >> 8);
        }
    }
}

bool PcmFormat::valid() const
{
    SampleLayout layout{};
    return (channels == 1 || channels == 2) && rate > 0 && sampleLayout(afmt, layout);
}

int PcmFormat::outFrameBytes() const
{
    SampleLayout layout{};
    return sampleLayout(afmt, layout) ? layout.outBytes * channels : 0;
}

std::span<const uint8_t> SoftwareGain::apply(int afmt, std::span<const uint8_t> in)
{
    if (passesUnchanged(afmt, level_))
        return in;
    convertSamples(afmt, level_, in.data(), in.size(), scratch_);
    return scratch_;
}

} // namespace wavelark
