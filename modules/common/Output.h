#pragma once
// The output side: the device's supported-format table as openFeed receives
// it, and the choice of one output format for a source.
#include <wavelark/decoder.h>

#include <cstdint>
#include <vector>

namespace wavelark::modules {

// Source rates outside this range are treated as broken streams: they bound
// the resampling ratio and so the memory one frame can take.
inline constexpr int kMinRate = 4000;
inline constexpr int kMaxRate = 768000;
// Rows of the supported-format table that openFeed reads at most.
inline constexpr int kMaxTableRows = 128;

struct PcmFormat
{
    uint32_t afmt = WAVELARK_AFMT_S16_LE;
    int channels = 2;
    int rate = 44100;
    bool operator==(const PcmFormat &) const = default;
};

struct FormatRow
{
    uint32_t afmt;
    int mask; // WAVELARK_CHANNELS_MONO | WAVELARK_CHANNELS_STEREO
    int rate;
};

// True for the sample formats the converter can produce.
bool canProduce(uint32_t afmt);

class FormatTable
{
public:
    FormatTable() = default;
    // Reads `count` triples; rows with a format we cannot produce, a bad
    // channel mask or a rate out of range are left out.
    static FormatTable fromTriples(const int *triples, int count);

    // The output for a source: its own rate and channels when the device
    // has them (then its own sample format, then 16-bit, then the rest),
    // otherwise the nearest the device offers. An empty table means "no
    // constraint": the source's own rate and channels in its own format.
    PcmFormat choose(int rate, int channels, uint32_t ownFormat) const;

    // True when some row has this rate (any channel count); always true for
    // an empty table.
    bool offersRate(int rate) const;

    const std::vector<FormatRow> &rows() const { return rows_; }

private:
    std::vector<FormatRow> rows_;
};

} // namespace wavelark::modules
