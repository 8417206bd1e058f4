#include "WavHeader.h"

#include "Output.h"
#include "Probe.h"

#include <cstring>
#include <string_view>

namespace wavelark::modules::wav {

namespace {

// Headers longer than this (tags, padding before the data) are refused.
constexpr size_t kMaxHeaderBytes = 1u << 20;
constexpr uint16_t kFormatPcm = 1;
constexpr uint16_t kFormatExtensible = 0xFFFE;
// Tail of the KSDATAFORMAT_SUBTYPE_PCM GUID after its first two bytes.
constexpr uint8_t kPcmGuidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                      0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

bool parseFormat(const uint8_t *p, uint32_t size, WavHeader &h)
{
    if (size < 16)
        return false;
    uint16_t tag = le16(p);
    h.channels = le16(p + 2);
    const uint32_t rate = le32(p + 4);
    const uint32_t byteRate = le32(p + 8);
    const uint16_t align = le16(p + 12);
    h.bits = le16(p + 14);
    if (tag == kFormatExtensible) {
        if (size < 40 || le16(p + 16) < 22 || std::memcmp(p + 26, kPcmGuidTail, 14) != 0)
            return false;
        tag = le16(p + 24);
    }
    if (tag != kFormatPcm || (h.channels != 1 && h.channels != 2) ||
        (h.bits != 8 && h.bits != 16) || rate < uint32_t(kMinRate) || rate > uint32_t(kMaxRate))
        return false;
    h.rate = int(rate);
    const uint32_t wantAlign = uint32_t(h.channels * h.bits / 8);
    return align == wantAlign && byteRate == wantAlign * rate;
}

void parseInfoList(const uint8_t *p, uint32_t size, Tags &tags)
{
    if (size < 4 || std::memcmp(p, "INFO", 4) != 0)
        return;
    size_t pos = 4;
    while (pos + 8 <= size) {
        const uint32_t len = le32(p + pos + 4);
        if (len > size - pos - 8)
            break;
        std::string_view text(reinterpret_cast<const char *>(p + pos + 8), len);
        text = text.substr(0, text.find('\0'));
        if (std::memcmp(p + pos, "INAM", 4) == 0 && !tags.title)
            tags.title = std::string(text);
        else if (std::memcmp(p + pos, "IART", 4) == 0 && !tags.artist)
            tags.artist = std::string(text);
        else if (std::memcmp(p + pos, "IPRD", 4) == 0 && !tags.album)
            tags.album = std::string(text);
        pos += 8 + len + (len & 1);
    }
}

} // namespace

ParseResult parseWavHeader(const uint8_t *data, size_t length, WavHeader &h)
{
    if (length < 12)
        return length >= 4 && std::memcmp(data, "RIFF", 4) != 0 ? ParseResult::Invalid
                                                                : ParseResult::NeedMore;
    if (std::memcmp(data, "RIFF", 4) != 0 || std::memcmp(data + 8, "WAVE", 4) != 0)
        return ParseResult::Invalid;
    bool haveFormat = false;
    size_t pos = 12;
    for (;;) {
        if (pos > kMaxHeaderBytes)
            return ParseResult::Invalid;
        if (pos + 8 > length)
            return ParseResult::NeedMore;
        const uint8_t *chunk = data + pos;
        const uint32_t size = le32(chunk + 4);
        if (std::memcmp(chunk, "data", 4) == 0) {
            if (!haveFormat)
                return ParseResult::Invalid;
            h.dataOffset = pos + 8;
            // 0 and 0xFFFFFFFF are what streaming writers put when the
            // length is not known.
            h.dataBytes = size == 0xFFFFFFFFu ? 0 : size;
            return ParseResult::Ok;
        }
        if (size > kMaxHeaderBytes)
            return ParseResult::Invalid;
        if (pos + 8 + size > length)
            return ParseResult::NeedMore;
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            if (!parseFormat(chunk + 8, size, h))
                return ParseResult::Invalid;
            haveFormat = true;
        } else if (std::memcmp(chunk, "LIST", 4) == 0) {
            parseInfoList(chunk + 8, size, h.tags);
        }
        pos += 8 + size + (size & 1);
    }
}

} // namespace wavelark::modules::wav
