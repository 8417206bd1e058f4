#include "FlacFrame.h"

#include "Probe.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace wavelark::modules::flac {

namespace {

// Furthest a frame's successor is searched for when recognising a stream.
constexpr size_t kMaxProbeFrame = 256u << 10;
// Frame headers tried as a stream's start before giving up.
constexpr int kMaxProbeCandidates = 16;

constexpr std::array<uint8_t, 256> makeCrc8()
{
    std::array<uint8_t, 256> t{};
    for (int i = 0; i < 256; ++i) {
        uint8_t c = uint8_t(i);
        for (int b = 0; b < 8; ++b)
            c = uint8_t(c & 0x80 ? (c << 1) ^ 0x07 : c << 1);
        t[size_t(i)] = c;
    }
    return t;
}

constexpr std::array<uint16_t, 256> makeCrc16()
{
    std::array<uint16_t, 256> t{};
    for (int i = 0; i < 256; ++i) {
        uint16_t c = uint16_t(i << 8);
        for (int b = 0; b < 8; ++b)
            c = uint16_t(c & 0x8000 ? (c << 1) ^ 0x8005 : c << 1);
        t[size_t(i)] = c;
    }
    return t;
}

constexpr auto kCrc8 = makeCrc8();
constexpr auto kCrc16 = makeCrc16();

// The UTF-8-like coded number of a frame header; returns bytes used or 0.
size_t codedNumber(const uint8_t *p, size_t n, uint64_t &value)
{
    if (n == 0)
        return 0;
    int extra;
    if (!(p[0] & 0x80)) {
        value = p[0];
        return 1;
    } else if ((p[0] & 0xE0) == 0xC0) {
        value = p[0] & 0x1F, extra = 1;
    } else if ((p[0] & 0xF0) == 0xE0) {
        value = p[0] & 0x0F, extra = 2;
    } else if ((p[0] & 0xF8) == 0xF0) {
        value = p[0] & 0x07, extra = 3;
    } else if ((p[0] & 0xFC) == 0xF8) {
        value = p[0] & 0x03, extra = 4;
    } else if ((p[0] & 0xFE) == 0xFC) {
        value = p[0] & 0x01, extra = 5;
    } else if (p[0] == 0xFE) {
        value = 0, extra = 6;
    } else {
        return 0;
    }
    if (n < size_t(1 + extra))
        return 0;
    for (int i = 1; i <= extra; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        value = value << 6 | (p[i] & 0x3F);
    }
    return size_t(1 + extra);
}

} // namespace

uint8_t crc8(const uint8_t *p, size_t n)
{
    uint8_t c = 0;
    while (n--)
        c = kCrc8[c ^ *p++];
    return c;
}

uint16_t crc16(uint16_t crc, const uint8_t *p, size_t n)
{
    while (n--)
        crc = uint16_t(crc << 8) ^ kCrc16[(crc >> 8) ^ *p++];
    return crc;
}

bool parseFrameHeader(const uint8_t *p, size_t n, FrameHeader &h)
{
    if (n < 6 || p[0] != 0xFF || (p[1] & 0xFE) != 0xF8)
        return false;
    h.variable = p[1] & 1;
    const int bsCode = p[2] >> 4;
    h.rateCode = p[2] & 0x0F;
    const int assignment = p[3] >> 4;
    h.bpsCode = (p[3] >> 1) & 7;
    if (bsCode == 0 || h.rateCode == 15 || assignment > 10 || h.bpsCode == 3 || (p[3] & 1))
        return false;
    h.channels = assignment < 8 ? assignment + 1 : 2;
    size_t pos = 4;
    const size_t used = codedNumber(p + pos, n - pos, h.number);
    if (used == 0 || (!h.variable && used > 6))
        return false;
    pos += used;
    if (bsCode == 6 || bsCode == 7) {
        const size_t k = size_t(bsCode - 5);
        if (n < pos + k)
            return false;
        h.blockSize = (k == 1 ? p[pos] : (p[pos] << 8 | p[pos + 1])) + 1;
        pos += k;
    } else {
        h.blockSize = bsCode == 1 ? 192 : bsCode <= 5 ? 576 << (bsCode - 2) : 256 << (bsCode - 8);
    }
    if (h.rateCode >= 12) {
        const size_t k = h.rateCode == 12 ? 1 : 2;
        if (n < pos + k)
            return false;
        pos += k;
    }
    if (n < pos + 1 || crc8(p, pos) != p[pos])
        return false;
    h.headerBytes = pos + 1;
    return true;
}

bool follows(const FrameHeader &cur, const FrameHeader &next)
{
    if (cur.variable != next.variable || cur.channels != next.channels ||
        cur.bpsCode != next.bpsCode || cur.rateCode != next.rateCode)
        return false;
    // Up to 64 frames may be lost in between and still count as a successor.
    const uint64_t step = cur.variable ? uint64_t(cur.blockSize) : 1;
    return next.number > cur.number && next.number - cur.number <= 64 * step;
}

Scan metadataLength(const uint8_t *p, size_t n, size_t &length)
{
    if (n < 4)
        return n == 0 || std::memcmp(p, "fLaC", n) == 0 ? Scan::NeedMore : Scan::Invalid;
    if (std::memcmp(p, "fLaC", 4) != 0)
        return Scan::Invalid;
    if (n < 8 + 34)
        return Scan::NeedMore;
    // STREAMINFO first: type 0, 34 bytes, sane block sizes, rate, channels.
    const uint8_t *si = p + 8;
    const uint32_t rate = uint32_t(si[10]) << 12 | uint32_t(si[11]) << 4 | si[12] >> 4;
    const int minBlock = si[0] << 8 | si[1], maxBlock = si[2] << 8 | si[3];
    if ((p[4] & 0x7F) != 0 || (uint32_t(p[5]) << 16 | uint32_t(p[6]) << 8 | p[7]) != 34 ||
        minBlock < 16 || maxBlock < minBlock || rate == 0)
        return Scan::Invalid;
    size_t pos = 4;
    for (;;) {
        if (n < pos + 4)
            return Scan::NeedMore;
        const bool last = p[pos] & 0x80;
        if ((p[pos] & 0x7F) == 127)
            return Scan::Invalid;
        pos += 4 + (size_t(p[pos + 1]) << 16 | size_t(p[pos + 2]) << 8 | p[pos + 3]);
        if (last) {
            length = pos;
            return Scan::Found;
        }
    }
}

bool looksLikeFlac(const uint8_t *p, size_t n)
{
    size_t meta = 0;
    if (n >= 4 && std::memcmp(p, "fLaC", 4) == 0)
        return metadataLength(p, n, meta) != Scan::Invalid && n >= 8 + 34;
    int candidates = 0;
    for (size_t start = 0; start + 16 < n && candidates < kMaxProbeCandidates; ++start) {
        FrameHeader first, next;
        // Mid-stream frames must carry their own rate and sample size.
        if (!parseFrameHeader(p + start, n - start, first) || first.rateCode == 0 ||
            first.bpsCode == 0)
            continue;
        ++candidates;
        const size_t end = std::min(n, start + kMaxProbeFrame);
        // The frame ends where the CRC-16 over it (footer included) is 0.
        uint16_t crc = crc16(0, p + start, first.headerBytes);
        for (size_t e = start + first.headerBytes; e + 6 <= end; ++e) {
            if (crc == 0 && p[e] == 0xFF && parseFrameHeader(p + e, n - e, next) &&
                follows(first, next))
                return true;
            crc = crc16(crc, p + e, 1);
        }
    }
    return false;
}

} // namespace wavelark::modules::flac
