#pragma once
// Folds sources with more than two channels into stereo, and turns float or
// wide integer samples into 16-bit, for the decoders whose libraries hand
// out planar or non-16-bit samples.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace wavelark::modules {

enum class Speaker { Left, Right, Center, Lfe, Mono };

// Speaker positions of each channel count in the two orders that Ogg
// (Vorbis, Opus) and FLAC use; counts above 8 fall back to alternating
// left/right.
enum class ChannelOrder { Vorbis, Flac };
std::vector<Speaker> speakerLayout(ChannelOrder order, int channels);

// Mixes one frame of `channels` float samples (full scale 1.0) into `out`
// (1 or 2 int16 values): centre at -3 dB into both sides, LFE dropped,
// normalised so the mix cannot exceed full scale.
class Downmixer
{
public:
    void configure(const std::vector<Speaker> &layout);
    int outChannels() const { return outChannels_; }
    // `frames` frames of planar float input into interleaved int16.
    void planarFloat(const float *const *in, size_t frames, int16_t *out) const;
    // Planar integers of `bits` significant bits.
    void planarInt(const int32_t *const *in, size_t frames, int bits, int16_t *out) const;

private:
    void mix(const float *frame, int16_t *out) const;

    int inChannels_ = 0;
    int outChannels_ = 0;
    std::vector<float> left_, right_; // weight of each input channel
};

int16_t floatToS16(float v);

} // namespace wavelark::modules
