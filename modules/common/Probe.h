#pragma once
// Small byte-level helpers shared by the modules' validity checks.
#include <cstddef>
#include <cstdint>

namespace wavelark::modules {

// Length of an ID3v2 tag at the start of `data` (header, body and footer),
// 0 when there is none. The tag may extend past `length`.
size_t id3v2Length(const uint8_t *data, size_t length);

// Moves `data` and `length` past an ID3v2 tag at the start, if any; false
// when the tag runs past the data (the caller waits for more).
inline bool skipId3v2(const uint8_t *&data, size_t &length)
{
    const size_t tag = id3v2Length(data, length);
    if (tag >= length)
        return false;
    data += tag;
    length -= tag;
    return true;
}

// True when `data` starts with the magic of a container that another module
// owns or that no module plays raw (Ogg, FLAC, RIFF, MP4, ...): framed
// decoders must not sync inside such data.
bool startsWithContainerMagic(const uint8_t *data, size_t length);

inline uint32_t be32(const uint8_t *p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}
inline uint32_t le32(const uint8_t *p)
{
    return uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
}
inline uint16_t le16(const uint8_t *p)
{
    return uint16_t(p[0] | p[1] << 8);
}

} // namespace wavelark::modules
