#pragma once
// ID3v2 tags of an MPEG audio stream, found and read here rather than by
// libmpg123: the library, in feed mode, allocates the whole tag's claimed
// size (up to 256 MB) on every retry while a tag is incomplete, so it is
// told to skip tags, and title, artist and album come from this reader.
#include "Info.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace wavelark::modules::mp3 {

// Title (TIT2/TT2), artist (TPE1/TP1) and album (TALB/TAL) of a complete
// ID3v2.2/2.3/2.4 tag; text in any of the four encodings, as UTF-8. False
// when `p` is not a tag or carries none of the three.
bool parseId3v2(const uint8_t *p, size_t n, Tags &out);

// Watches the fed bytes for ID3v2 tags (at the start or between frames),
// collects each one whose size is sane, and reads it once complete.
struct FoundTags
{
    uint64_t offset; // stream position of the tag's first byte
    Tags tags;
};

class Id3Scanner
{
public:
    // Scans the next `length` fed bytes, which start at stream position
    // `base`; appends each completed tag that carried tags to `found`.
    void scan(const uint8_t *data, size_t length, uint64_t base, std::vector<FoundTags> &found);

private:
    std::vector<uint8_t> carry_; // the last bytes of the previous feed
    std::vector<uint8_t> tag_;   // the tag being collected
    size_t want_ = 0;            // its full length; 0 = none being collected
    uint64_t tagOffset_ = 0;     // its stream position
};

} // namespace wavelark::modules::mp3
