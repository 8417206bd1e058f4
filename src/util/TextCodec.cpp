#include "TextCodec.h"

#include <cstdint>
#include <cstring>

namespace wavelark {

namespace {

// Length of the UTF-8 sequence starting at lead byte `c`, or 0 if `c` cannot
// start one. `lo`/`hi` bound the second byte (rules out overlongs, surrogates
// and code points past U+10FFFF).
int sequenceLength(unsigned char c, unsigned char &lo, unsigned char &hi)
{
    lo = 0x80;
    hi = 0xBF;
    if (c >= 0xC2 && c <= 0xDF)
        return 2;
    if (c >= 0xE0 && c <= 0xEF) {
        if (c == 0xE0)
            lo = 0xA0;
        if (c == 0xED)
            hi = 0x9F;
        return 3;
    }
    if (c >= 0xF0 && c <= 0xF4) {
        if (c == 0xF0)
            lo = 0x90;
        if (c == 0xF4)
            hi = 0x8F;
        return 4;
    }
    return 0;
}

} // namespace

// Eight bytes at a time: every playlist line read passes through here.
bool isAscii(QByteArrayView bytes)
{
    const char *p = bytes.data();
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t word;
        std::memcpy(&word, p + i, sizeof word);
        if (word & 0x8080808080808080u)
            return false;
    }
    for (; i < n; ++i)
        if (static_cast<unsigned char>(p[i]) >= 0x80)
            return false;
    return true;
}

bool isValidUtf8(QByteArrayView bytes)
{
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n;) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        unsigned char lo, hi;
        const int len = sequenceLength(c, lo, hi);
        if (len == 0 || i + len > n)
            return false;
        const auto second = static_cast<unsigned char>(bytes[i + 1]);
        if (second < lo || second > hi)
            return false;
        for (int k = 2; k < len; ++k) {
            const auto b = static_cast<unsigned char>(bytes[i + k]);
            if (b < 0x80 || b > 0xBF)
                return false;
        }
        i += len;
    }
    return true;
}

QString decodeUtf8OrLatin1(QByteArrayView bytes)
{
    if (isValidUtf8(bytes))
        return QString::fromUtf8(bytes);
    return QString::fromLatin1(bytes);
}

} // namespace wavelark
