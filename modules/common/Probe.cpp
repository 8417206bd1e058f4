#include "Probe.h"

#include <cstring>

namespace wavelark::modules {

size_t id3v2Length(const uint8_t *data, size_t length)
{
    if (length < 10 || std::memcmp(data, "ID3", 3) != 0 || data[3] == 0xff || data[4] == 0xff)
        return 0;
    for (int i = 6; i < 10; ++i)
        if (data[i] & 0x80)
            return 0; // not a syncsafe size
    const size_t body =
        size_t(data[6]) << 21 | size_t(data[7]) << 14 | size_t(data[8]) << 7 | size_t(data[9]);
    const bool footer = (data[5] & 0x10) != 0;
    return 10 + body + (footer ? 10 : 0);
}

bool startsWithContainerMagic(const uint8_t *data, size_t length)
{
    static const char *const kMagic[] = {
        "OggS", "fLaC", "RIFF", "RIFX", "RF64", "FORM", "ADIF", "MThd", "\x30\x26\xb2\x75", ".snd"};
    if (length < 4)
        return false;
    for (const char *m : kMagic)
        if (std::memcmp(data, m, 4) == 0)
            return true;
    return length >= 8 && std::memcmp(data + 4, "ftyp", 4) == 0;
}

} // namespace wavelark::modules
