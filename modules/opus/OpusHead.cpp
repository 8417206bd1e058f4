#include "OpusHead.h"

#include "Probe.h"

#include <cstring>

namespace wavelark::modules::opus {

bool parseOpusHead(const uint8_t *p, size_t n, OpusHead &h)
{
    if (n < 19 || std::memcmp(p, "OpusHead", 8) != 0 || (p[8] & 0xF0) != 0)
        return false;
    h.channels = p[9];
    h.preSkip = le16(p + 10);
    h.gainQ8 = int16_t(le16(p + 16));
    h.family = p[18];
    if (h.channels == 0)
        return false;
    if (h.family == 0) {
        if (h.channels > 2)
            return false;
        h.streams = 1;
        h.coupled = h.channels - 1;
        h.mapping[0] = 0;
        h.mapping[1] = 1;
        return true;
    }
    if (h.family != 1 || h.channels > 8 || n < 21 + size_t(h.channels))
        return false;
    h.streams = p[19];
    h.coupled = p[20];
    if (h.streams == 0 || h.coupled > h.streams || h.streams + h.coupled > 255)
        return false;
    for (int c = 0; c < h.channels; ++c) {
        h.mapping[size_t(c)] = p[21 + c];
        if (p[21 + c] != 255 && p[21 + c] >= h.streams + h.coupled)
            return false;
    }
    return true;
}

bool parseOpusTags(const uint8_t *p, size_t n, Tags &out)
{
    if (n < 16 || std::memcmp(p, "OpusTags", 8) != 0)
        return false;
    size_t pos = 8;
    auto take = [&](uint32_t &v) {
        if (n - pos < 4)
            return false;
        v = le32(p + pos);
        pos += 4;
        return true;
    };
    uint32_t vendor = 0, count = 0;
    if (!take(vendor) || vendor > n - pos)
        return false;
    pos += vendor;
    if (!take(count))
        return false;
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t len = 0;
        if (!take(len) || len > n - pos)
            return false;
        out.addComment({reinterpret_cast<const char *>(p + pos), len});
        pos += len;
    }
    return true;
}

} // namespace wavelark::modules::opus
