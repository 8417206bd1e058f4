#include "Output.h"

#include <cstdlib>
#include <tuple>

namespace wavelark::modules {

namespace {

// Quality order when the source's own format is not on offer.
constexpr uint32_t kFormatOrder[] = {
    WAVELARK_AFMT_S16_LE, WAVELARK_AFMT_S16_BE, WAVELARK_AFMT_U16_LE, WAVELARK_AFMT_S8,
    WAVELARK_AFMT_U8,     WAVELARK_AFMT_MU_LAW, WAVELARK_AFMT_A_LAW,
};

int formatRank(uint32_t afmt, uint32_t own)
{
    if (afmt == own)
        return 0;
    int rank = 1;
    for (uint32_t f : kFormatOrder) {
        if (f == afmt)
            return rank;
        ++rank;
    }
    return rank;
}

int maskFor(int channels)
{
    return channels == 1 ? WAVELARK_CHANNELS_MONO : WAVELARK_CHANNELS_STEREO;
}

} // namespace

bool canProduce(uint32_t afmt)
{
    for (uint32_t f : kFormatOrder)
        if (f == afmt)
            return true;
    return false;
}

FormatTable FormatTable::fromTriples(const int *triples, int count)
{
    FormatTable t;
    if (!triples || count <= 0)
        return t;
    if (count > kMaxTableRows)
        count = kMaxTableRows;
    for (int i = 0; i < count; ++i) {
        const FormatRow row{uint32_t(triples[3 * i]), triples[3 * i + 1], triples[3 * i + 2]};
        if (canProduce(row.afmt) && row.mask >= 1 && row.mask <= 3 && row.rate >= kMinRate &&
            row.rate <= kMaxRate)
            t.rows_.push_back(row);
    }
    return t;
}

bool FormatTable::offersRate(int rate) const
{
    if (rows_.empty())
        return true;
    for (const FormatRow &r : rows_)
        if (r.rate == rate)
            return true;
    return false;
}

PcmFormat FormatTable::choose(int rate, int channels, uint32_t ownFormat) const
{
    if (!canProduce(ownFormat))
        ownFormat = WAVELARK_AFMT_S16_LE;
    if (rows_.empty())
        return {ownFormat, channels, rate};
    const int want = maskFor(channels);
    PcmFormat best;
    auto bestKey = std::make_tuple(2, 2, 99, 2, 0x7fffffff);
    for (const FormatRow &r : rows_) {
        const bool chanOk = (r.mask & want) != 0;
        // Prefer the exact rate, then the source's channels, then the
        // format, then a higher rate (no lost treble), then the nearest.
        const auto key =
            std::make_tuple(r.rate == rate ? 0 : 1, chanOk ? 0 : 1, formatRank(r.afmt, ownFormat),
                            r.rate >= rate ? 0 : 1, std::abs(r.rate - rate));
        if (key < bestKey) {
            bestKey = key;
            best = {r.afmt, chanOk ? channels : (r.mask == WAVELARK_CHANNELS_MONO ? 1 : 2), r.rate};
        }
    }
    return best;
}

} // namespace wavelark::modules
