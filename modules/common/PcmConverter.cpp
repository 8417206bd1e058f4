#include "PcmConverter.h"

#include <bit>
#include <cstring>

namespace wavelark::modules {

void PcmConverter::configure(int srcRate, int srcChannels, const PcmFormat &out)
{
    srcRate_ = srcRate;
    srcChannels_ = srcChannels;
    out_ = out;
    passthrough_ = srcRate == out.rate && srcChannels == out.channels &&
                   out.afmt == WAVELARK_AFMT_S16_LE && std::endian::native == std::endian::little;
    step_ = (uint64_t(uint32_t(srcRate)) << 32) / uint32_t(out.rate);
    pos_ = 0;
    primed_ = false;
}

std::span<const uint8_t> PcmConverter::convert(const int16_t *in, size_t frames)
{
    if (frames == 0 || !in)
        return {};
    if (passthrough_)
        return {reinterpret_cast<const uint8_t *>(in), frames * size_t(srcChannels_) * 2};
    mixChannels(in, frames);
    if (srcRate_ != out_.rate)
        resample();
    encode();
    return bytes_;
}

void PcmConverter::mixChannels(const int16_t *in, size_t frames)
{
    mixed_.resize(frames * size_t(out_.channels));
    if (srcChannels_ == out_.channels) {
        std::memcpy(mixed_.data(), in, mixed_.size() * 2);
    } else if (out_.channels == 1) {
        for (size_t i = 0; i < frames; ++i)
            mixed_[i] = int16_t((int(in[2 * i]) + int(in[2 * i + 1])) / 2);
    } else {
        for (size_t i = 0; i < frames; ++i)
            mixed_[2 * i] = mixed_[2 * i + 1] = in[i];
    }
}

void PcmConverter::resample()
{
    const size_t ch = size_t(out_.channels);
    const size_t n = mixed_.size() / ch;
    resampled_.clear();
    if (n == 0)
        return;
    if (!primed_) {
        for (size_t c = 0; c < ch; ++c)
            last_[c] = mixed_[c];
        primed_ = true;
    }
    // Input index k-1 is last_ (k = 0), so position p interpolates between
    // frames floor(p)-1 and floor(p).
    auto at = [&](size_t k, size_t c) { return k == 0 ? last_[c] : mixed_[(k - 1) * ch + c]; };
    resampled_.reserve((n * uint64_t(out_.rate)) / uint64_t(srcRate_) * ch + 2 * ch);
    while ((pos_ >> 32) < n) {
        const size_t k = size_t(pos_ >> 32);
        const int64_t frac = int64_t((pos_ & 0xffffffffu) >> 16);
        for (size_t c = 0; c < ch; ++c) {
            const int a = at(k, c);
            const int b = at(k + 1, c);
            resampled_.push_back(int16_t(a + ((int64_t(b - a) * frac) >> 16)));
        }
        pos_ += step_;
    }
    pos_ -= uint64_t(n) << 32;
    for (size_t c = 0; c < ch; ++c)
        last_[c] = mixed_[(n - 1) * ch + c];
}

uint8_t linearToMuLaw(int16_t sample)
{
    constexpr int kBias = 0x84, kClip = 32635;
    int s = sample;
    const int sign = s < 0 ? 0x80 : 0;
    if (s < 0)
        s = -s;
    if (s > kClip)
        s = kClip;
    s += kBias;
    int exponent = 7;
    for (int mask = 0x4000; (s & mask) == 0 && exponent > 0; mask >>= 1)
        --exponent;
    const int mantissa = (s >> (exponent + 3)) & 0x0f;
    return uint8_t(~(sign | (exponent << 4) | mantissa));
}

uint8_t linearToALaw(int16_t sample)
{
    int s = sample >> 3; // 13-bit magnitude
    int mask = 0xD5;     // sign bit set for non-negative, even bits inverted
    if (s < 0) {
        mask = 0x55;
        s = -s - 1;
    }
    static constexpr int kSegEnd[8] = {0x1F, 0x3F, 0x7F, 0xFF, 0x1FF, 0x3FF, 0x7FF, 0xFFF};
    int seg = 0;
    while (seg < 8 && s > kSegEnd[seg])
        ++seg;
    if (seg >= 8)
        return uint8_t(0x7F ^ mask);
    int aval = seg << 4;
    aval |= seg < 2 ? (s >> 1) & 0x0f : (s >> seg) & 0x0f;
    return uint8_t(aval ^ mask);
}

void PcmConverter::encode()
{
    const std::vector<int16_t> &src = srcRate_ != out_.rate ? resampled_ : mixed_;
    const bool wide = out_.afmt == WAVELARK_AFMT_S16_LE || out_.afmt == WAVELARK_AFMT_S16_BE ||
                      out_.afmt == WAVELARK_AFMT_U16_LE;
    bytes_.resize(src.size() * (wide ? 2 : 1));
    uint8_t *o = bytes_.data();
    for (int16_t s : src) {
        switch (out_.afmt) {
        case WAVELARK_AFMT_S16_BE:
            *o++ = uint8_t(uint16_t(s) >> 8);
            *o++ = uint8_t(s);
            break;
        case WAVELARK_AFMT_U16_LE: {
            const uint16_t u = uint16_t(s) ^ 0x8000u;
            *o++ = uint8_t(u);
            *o++ = uint8_t(u >> 8);
            break;
        }
        case WAVELARK_AFMT_S8: *o++ = uint8_t(int8_t(s >> 8)); break;
        case WAVELARK_AFMT_U8: *o++ = uint8_t((s >> 8) + 128); break;
        case WAVELARK_AFMT_MU_LAW: *o++ = linearToMuLaw(s); break;
        case WAVELARK_AFMT_A_LAW: *o++ = linearToALaw(s); break;
        default:
            *o++ = uint8_t(s);
            *o++ = uint8_t(uint16_t(s) >> 8);
            break;
        }
    }
}

} // namespace wavelark::modules
