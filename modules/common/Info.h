#pragma once
// Owns a DecoderInfo record and the texts its pointers point to.
#include "Output.h"

#include <wavelark/decoder.h>

#include <optional>
#include <string>
#include <string_view>

namespace wavelark::modules {

// Title, artist and album as a format carries them; absent = not carried.
struct Tags
{
    std::optional<std::string> title, artist, album;

    // Takes one "KEY=value" comment (key case-insensitive); the first of
    // each key wins. Other keys are ignored.
    void addComment(std::string_view comment);
    bool empty() const { return !title && !artist && !album; }
    bool operator==(const Tags &) const = default;
};

class InfoRecord
{
public:
    InfoRecord();
    InfoRecord(const InfoRecord &other) { *this = other; }
    InfoRecord &operator=(const InfoRecord &other);

    const DecoderInfo *record() const { return &rec_; }
    void setTags(const Tags &tags);
    const Tags &tags() const { return tags_; }
    // Sets rate, channels and format of the output and flags bit 0.
    void setOutput(const PcmFormat &out);
    void setBitrate(uint32_t kbps) { rec_.bitrate = kbps; }
    void setMode(uint32_t mode) { rec_.mode = mode; }
    void setDescription(std::string_view text);

private:
    void pointAtTexts();

    DecoderInfo rec_;
    Tags tags_;
};

} // namespace wavelark::modules
