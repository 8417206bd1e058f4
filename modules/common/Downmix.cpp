#include "Downmix.h"

#include <cmath>

namespace wavelark::modules {

using S = Speaker;

namespace {
constexpr size_t kMaxChannels = 256;
}

std::vector<Speaker> speakerLayout(ChannelOrder order, int channels)
{
    if (channels == 1)
        return {S::Mono};
    if (channels == 2)
        return {S::Left, S::Right};
    static const std::vector<Speaker> vorbis[] = {
        {S::Left, S::Center, S::Right},
        {S::Left, S::Right, S::Left, S::Right},
        {S::Left, S::Center, S::Right, S::Left, S::Right},
        {S::Left, S::Center, S::Right, S::Left, S::Right, S::Lfe},
        {S::Left, S::Center, S::Right, S::Left, S::Right, S::Center, S::Lfe},
        {S::Left, S::Center, S::Right, S::Left, S::Right, S::Left, S::Right, S::Lfe},
    };
    static const std::vector<Speaker> flac[] = {
        {S::Left, S::Right, S::Center},
        {S::Left, S::Right, S::Left, S::Right},
        {S::Left, S::Right, S::Center, S::Left, S::Right},
        {S::Left, S::Right, S::Center, S::Lfe, S::Left, S::Right},
        {S::Left, S::Right, S::Center, S::Lfe, S::Center, S::Left, S::Right},
        {S::Left, S::Right, S::Center, S::Lfe, S::Left, S::Right, S::Left, S::Right},
    };
    if (channels >= 3 && channels <= 8)
        return (order == ChannelOrder::Vorbis ? vorbis : flac)[channels - 3];
    std::vector<Speaker> alt;
    for (int c = 0; c < channels; ++c)
        alt.push_back(c % 2 ? S::Right : S::Left);
    return alt;
}

void Downmixer::configure(const std::vector<Speaker> &layout)
{
    inChannels_ = int(layout.size() < kMaxChannels ? layout.size() : kMaxChannels);
    outChannels_ = inChannels_ == 1 ? 1 : 2;
    left_.assign(layout.size(), 0.f);
    right_.assign(layout.size(), 0.f);
    constexpr float kCenter = 0.70710678f;
    float sumL = 0, sumR = 0;
    for (size_t c = 0; c < layout.size(); ++c) {
        switch (layout[c]) {
        case S::Left: left_[c] = 1; break;
        case S::Right: right_[c] = 1; break;
        case S::Center: left_[c] = right_[c] = kCenter; break;
        case S::Mono: left_[c] = right_[c] = 1; break;
        case S::Lfe: break;
        }
        sumL += left_[c];
        sumR += right_[c];
    }
    for (size_t c = 0; c < layout.size(); ++c) {
        if (sumL > 1)
            left_[c] /= sumL;
        if (sumR > 1)
            right_[c] /= sumR;
    }
}

int16_t floatToS16(float v)
{
    const float s = v * 32768.f;
    if (!(s > -32768.f)) // also catches NaN
        return -32768;
    if (s >= 32767.f)
        return 32767;
    // Round half away from zero; a truncating conversion is much cheaper
    // than lrintf, which is a library call unless errno handling is off.
    return int16_t(s >= 0 ? s + 0.5f : s - 0.5f);
}

void Downmixer::mix(const float *frame, int16_t *out) const
{
    float l = 0, r = 0;
    for (int c = 0; c < inChannels_; ++c) {
        l += frame[c] * left_[size_t(c)];
        r += frame[c] * right_[size_t(c)];
    }
    out[0] = floatToS16(l);
    if (outChannels_ == 2)
        out[1] = floatToS16(r);
}

void Downmixer::planarFloat(const float *const *in, size_t frames, int16_t *out) const
{
    if (inChannels_ <= 2) {
        // Nothing to mix: interleave and convert.
        for (int c = 0; c < inChannels_; ++c)
            for (size_t i = 0; i < frames; ++i)
                out[i * size_t(inChannels_) + size_t(c)] = floatToS16(in[c][i]);
        return;
    }
    float frame[kMaxChannels];
    for (size_t i = 0; i < frames; ++i) {
        for (int c = 0; c < inChannels_; ++c)
            frame[c] = in[c][i];
        mix(frame, out + i * size_t(outChannels_));
    }
}

void Downmixer::planarInt(const int32_t *const *in, size_t frames, int bits, int16_t *out) const
{
    if (inChannels_ <= 2) {
        const int shift = bits - 16;
        for (int c = 0; c < inChannels_; ++c)
            for (size_t i = 0; i < frames; ++i) {
                const int32_t s = in[c][i];
                out[i * size_t(inChannels_) + size_t(c)] =
                    int16_t(shift >= 0 ? s >> shift : s << -shift);
            }
        return;
    }
    const float scale = 1.f / float(int64_t(1) << (bits - 1));
    float frame[kMaxChannels];
    for (size_t i = 0; i < frames; ++i) {
        for (int c = 0; c < inChannels_; ++c)
            frame[c] = float(in[c][i]) * scale;
        mix(frame, out + i * size_t(outChannels_));
    }
}

} // namespace wavelark::modules
