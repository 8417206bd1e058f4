#include "Id3Tags.h"

#include "Probe.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace wavelark::modules::mp3 {

namespace {

// Tags larger than this (cover art) are skipped unread.
constexpr size_t kMaxTagBytes = 1u << 20;

uint32_t syncsafe(const uint8_t *p)
{
    return uint32_t(p[0] & 0x7f) << 21 | uint32_t(p[1] & 0x7f) << 14 | uint32_t(p[2] & 0x7f) << 7 |
           uint32_t(p[3] & 0x7f);
}

void appendUtf8(std::string &s, uint32_t c)
{
    if (c < 0x80) {
        s += char(c);
    } else if (c < 0x800) {
        s += char(0xC0 | c >> 6);
        s += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        s += char(0xE0 | c >> 12);
        s += char(0x80 | ((c >> 6) & 0x3F));
        s += char(0x80 | (c & 0x3F));
    } else {
        s += char(0xF0 | c >> 18);
        s += char(0x80 | ((c >> 12) & 0x3F));
        s += char(0x80 | ((c >> 6) & 0x3F));
        s += char(0x80 | (c & 0x3F));
    }
}

std::string utf16(const uint8_t *p, size_t n, bool bigEndian)
{
    if (n >= 2 && ((p[0] == 0xFF && p[1] == 0xFE) || (p[0] == 0xFE && p[1] == 0xFF))) {
        bigEndian = p[0] == 0xFE;
        p += 2;
        n -= 2;
    }
    std::string s;
    for (size_t i = 0; i + 1 < n; i += 2) {
        uint32_t c = bigEndian ? uint32_t(p[i] << 8 | p[i + 1]) : uint32_t(p[i] | p[i + 1] << 8);
        if (c == 0)
            break;
        if (c >= 0xD800 && c < 0xDC00 && i + 3 < n) {
            const uint32_t lo =
                bigEndian ? uint32_t(p[i + 2] << 8 | p[i + 3]) : uint32_t(p[i + 2] | p[i + 3] << 8);
            if (lo >= 0xDC00 && lo < 0xE000) {
                c = 0x10000 + ((c - 0xD800) << 10) + (lo - 0xDC00);
                i += 2;
            }
        }
        appendUtf8(s, c);
    }
    return s;
}

std::string text(const uint8_t *p, size_t n)
{
    if (n == 0)
        return {};
    const uint8_t encoding = p[0];
    ++p;
    --n;
    if (encoding == 1 || encoding == 2)
        return utf16(p, n, encoding == 2);
    std::string s;
    for (size_t i = 0; i < n && p[i]; ++i) {
        if (encoding == 3)
            s += char(p[i]);
        else
            appendUtf8(s, p[i]); // Latin-1
    }
    return s;
}

} // namespace

bool parseId3v2(const uint8_t *p, size_t n, Tags &out)
{
    if (n < 10 || std::memcmp(p, "ID3", 3) != 0 || p[3] < 2 || p[3] > 4)
        return false;
    const int version = p[3];
    const uint8_t flags = p[5];
    std::vector<uint8_t> body(p + 10, p + std::min<size_t>(n, 10 + size_t(syncsafe(p + 6))));
    if (flags & 0x80) { // unsynchronisation: FF 00 stands for FF
        size_t w = 0;
        for (size_t r = 0; r < body.size(); ++r) {
            body[w++] = body[r];
            if (body[r] == 0xFF && r + 1 < body.size() && body[r + 1] == 0)
                ++r;
        }
        body.resize(w);
    }
    size_t pos = 0;
    if (version >= 3 && (flags & 0x40) && body.size() >= 4)
        pos = version == 3 ? size_t(be32(body.data())) + 4 : size_t(syncsafe(body.data()));
    const size_t header = version == 2 ? 6 : 10;
    Tags tags;
    while (pos + header <= body.size() && body[pos] != 0) {
        const uint8_t *f = body.data() + pos;
        const size_t size = version == 2   ? size_t(f[3] << 16 | f[4] << 8 | f[5])
                            : version == 3 ? size_t(be32(f + 4))
                                           : size_t(syncsafe(f + 4));
        if (size > body.size() - pos - header)
            break;
        const std::string id(reinterpret_cast<const char *>(f), version == 2 ? 3 : 4);
        const uint8_t *data = f + header;
        if (id == "TIT2" || id == "TT2")
            tags.title = text(data, size);
        else if (id == "TPE1" || id == "TP1")
            tags.artist = text(data, size);
        else if (id == "TALB" || id == "TAL")
            tags.album = text(data, size);
        pos += header + size;
    }
    if (tags.empty())
        return false;
    out = tags;
    return true;
}

void Id3Scanner::scan(const uint8_t *data, size_t length, uint64_t base,
                      std::vector<FoundTags> &found)
{
    // Search the carried bytes and the new ones together, so that a header
    // split across two feeds is seen.
    std::vector<uint8_t> buf(carry_);
    const size_t carried = buf.size();
    buf.insert(buf.end(), data, data + length);
    size_t pos = 0;
    while (pos < buf.size()) {
        if (want_ > 0) {
            const size_t take = std::min(want_ - tag_.size(), buf.size() - pos);
            tag_.insert(tag_.end(), buf.begin() + ptrdiff_t(pos),
                        buf.begin() + ptrdiff_t(pos + take));
            pos += take;
            if (tag_.size() == want_) {
                Tags tags;
                if (parseId3v2(tag_.data(), tag_.size(), tags))
                    found.push_back({tagOffset_, tags});
                tag_.clear();
                want_ = 0;
            }
            continue;
        }
        const void *hit = memmem(buf.data() + pos, buf.size() - pos, "ID3", 3);
        if (!hit)
            break;
        const size_t at = size_t(static_cast<const uint8_t *>(hit) - buf.data());
        if (buf.size() - at < 10) {
            pos = at;
            break; // header incomplete: carry it over
        }
        const size_t len = id3v2Length(buf.data() + at, buf.size() - at);
        if (len > 10 && len <= kMaxTagBytes) {
            want_ = len;
            tagOffset_ = base - carried + at;
            pos = at;
        } else {
            pos = at + 3;
        }
    }
    // Keep what a header split at the end may need (nine bytes at most).
    const size_t keep = want_ > 0 ? 0 : std::min<size_t>(9, buf.size() - std::min(pos, buf.size()));
    carry_.assign(buf.end() - ptrdiff_t(keep), buf.end());
}

} // namespace wavelark::modules::mp3
