#pragma once
// Turns interleaved 16-bit PCM of the source (1 or 2 channels, any rate)
// into the chosen output: channel mix, linear-interpolation resampling and
// sample-format encoding, in that order. Passes data through untouched when
// nothing needs converting.
#include "Output.h"

#include <cstdint>
#include <span>
#include <vector>

namespace wavelark::modules {

class PcmConverter
{
public:
    void configure(int srcRate, int srcChannels, const PcmFormat &out);
    bool passthrough() const { return passthrough_; }
    // The converted bytes; a view of `in` itself when passing through,
    // otherwise of a buffer owned here. Valid until the next call.
    std::span<const uint8_t> convert(const int16_t *in, size_t frames);

private:
    void mixChannels(const int16_t *in, size_t frames);
    void resample();
    void encode();

    int srcRate_ = 44100;
    int srcChannels_ = 2;
    PcmFormat out_;
    bool passthrough_ = true;
    // Resampler state: 32.32 fixed-point step and position, and the last
    // input frame of the previous block (for interpolation across blocks).
    uint64_t step_ = 0;
    uint64_t pos_ = 0;
    int16_t last_[2] = {0, 0};
    bool primed_ = false;
    std::vector<int16_t> mixed_, resampled_;
    std::vector<uint8_t> bytes_;
};

// G.711 encoders, exposed for tests.
uint8_t linearToMuLaw(int16_t sample);
uint8_t linearToALaw(int16_t sample);

} // namespace wavelark::modules
