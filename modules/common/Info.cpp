#include "Info.h"

#include <algorithm>
#include <cstring>

namespace wavelark::modules {

namespace {

bool keyIs(std::string_view key, std::string_view want)
{
    return key.size() == want.size() &&
           std::equal(key.begin(), key.end(), want.begin(), [](char a, char b) {
               return (a >= 'a' && a <= 'z' ? char(a - 32) : a) == b;
           });
}

void keep(std::optional<std::string> &slot, std::string_view value)
{
    if (!slot)
        slot = std::string(value.substr(0, value.find('\0')));
}

} // namespace

void Tags::addComment(std::string_view comment)
{
    const size_t eq = comment.find('=');
    if (eq == std::string_view::npos)
        return;
    const std::string_view key = comment.substr(0, eq);
    const std::string_view value = comment.substr(eq + 1);
    if (keyIs(key, "TITLE"))
        keep(title, value);
    else if (keyIs(key, "ARTIST"))
        keep(artist, value);
    else if (keyIs(key, "ALBUM"))
        keep(album, value);
}

InfoRecord::InfoRecord()
{
    std::memset(&rec_, 0, sizeof rec_);
}

InfoRecord &InfoRecord::operator=(const InfoRecord &other)
{
    if (this != &other) {
        rec_ = other.rec_;
        tags_ = other.tags_;
        pointAtTexts();
    }
    return *this;
}

void InfoRecord::setTags(const Tags &tags)
{
    tags_ = tags;
    pointAtTexts();
}

void InfoRecord::pointAtTexts()
{
    rec_.title = tags_.title ? tags_.title->c_str() : nullptr;
    rec_.artist = tags_.artist ? tags_.artist->c_str() : nullptr;
    rec_.album = tags_.album ? tags_.album->c_str() : nullptr;
}

void InfoRecord::setOutput(const PcmFormat &out)
{
    rec_.rate = uint32_t(out.rate);
    rec_.channels = uint32_t(out.channels);
    rec_.format = out.afmt;
    rec_.flags |= WAVELARK_INFO_FORMAT_VALID;
}

void InfoRecord::setDescription(std::string_view text)
{
    const size_t n = std::min(text.size(), sizeof rec_.description - 1);
    std::memcpy(rec_.description, text.data(), n);
    rec_.description[n] = '\0';
}

} // namespace wavelark::modules
