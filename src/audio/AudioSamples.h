#pragma once

// Sample conversion and software gain for the backends that have no mixer
// (ALSA, WAV file). Every input format becomes one of two linear formats:
// unsigned 8-bit for U8 and S8, signed 16-bit little-endian for S16_LE,
// S16_BE, U16_LE, MU_LAW and A_LAW. The level scales linearly: 100 leaves
// samples unchanged, 0 is silence. Pure functions, no state.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace wavelark {

enum class LinearFormat { U8, S16LE };

struct SampleLayout
{
    LinearFormat out;
    int inBytes;  // bytes per input sample
    int outBytes; // bytes per output sample
};

// The layout for an AFMT_ code; false for a code not handled.
bool sampleLayout(int afmt, SampleLayout &layout);

// G.711 expansion to 16-bit linear.
int16_t muLawToLinear(uint8_t code);
int16_t aLawToLinear(uint8_t code);

// Level clamped to 0..100.
int clampLevel(int level);

// True when `afmt` at `level` needs no conversion at all (the input bytes
// can be written as they are).
bool passesUnchanged(int afmt, int level);

// Converts the whole samples in `in` (a trailing partial sample is dropped)
// into `out` (replaced), applying the level. `afmt` must have a layout.
void convertSamples(int afmt, int level, const uint8_t *in, size_t count,
                    std::vector<uint8_t> &out);

// The format last set on a backend that converts in software.
struct PcmFormat
{
    int channels = 2;
    int rate = 44100;
    int afmt = 16; // WAVELARK_AFMT_S16_LE

    bool operator==(const PcmFormat &) const = default;
    // Channels 1 or 2, a rate above 0 and a format with a layout.
    bool valid() const;
    // Bytes per frame of the converted output.
    int outFrameBytes() const;
};

// The level of a backend without a mixer and the buffer its conversions
// go to.
class SoftwareGain
{
public:
    int level() const { return level_; }
    void setLevel(int level) { level_ = clampLevel(level); }
    // `in` converted for `afmt` at the current level; valid until the next call.
    std::span<const uint8_t> apply(int afmt, std::span<const uint8_t> in);

private:
    int level_ = 100;
    std::vector<uint8_t> scratch_;
};

} // namespace wavelark
