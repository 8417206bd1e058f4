#include "Decoder.h"

namespace wavelark::modules {

bool Decoder::setSourceFormat(int rate, int channels, uint32_t ownFormat)
{
    if (rate < kMinRate || rate > kMaxRate || channels < 1 || channels > 2)
        return false;
    const PcmFormat out = table_.choose(rate, channels, ownFormat);
    converter_.configure(rate, channels, out);
    srcRate_ = rate;
    srcChannels_ = channels;
    info_.setOutput(out);
    changed_ = true;
    return true;
}

int Decoder::deliver(const int16_t *samples, size_t frames, const uint8_t **pcm, int *length)
{
    const auto bytes = converter_.convert(samples, frames);
    *pcm = bytes.data();
    *length = int(bytes.size());
    const bool changed = changed_;
    changed_ = false;
    return changed ? kChanged : kFrame;
}

} // namespace wavelark::modules
