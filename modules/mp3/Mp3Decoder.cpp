// MPEG audio layer II/III through libmpg123's feed interface. libmpg123 does
// the sync search, resync after damage, ID3 parsing and gapless trimming;
// this adds the validity check, output conversion and the information record.
#include "Decoder.h"
#include "MpegHeader.h"
#include "Probe.h"

#include <mpg123.h>

#include <string>

namespace wavelark::modules {

namespace {

// Loop guard: decodeFrame calls into libmpg123 that yield neither audio nor
// a request for input (format notices, frames without output) at most.
constexpr int kMaxQuietCalls = 256;

const char *layerName(int layer)
{
    return layer == 1 ? "I" : layer == 2 ? "II" : "III";
}

std::optional<std::string> text(const mpg123_string *s)
{
    if (!s || !s->p || s->fill == 0)
        return std::nullopt;
    return std::string(s->p, s->fill - 1);
}

std::optional<std::string> v1Text(const char *field, size_t size)
{
    std::string s(field, size);
    s = s.substr(0, s.find('\0'));
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
    if (s.empty())
        return std::nullopt;
    return s;
}

class Mp3Decoder final : public Decoder
{
public:
    explicit Mp3Decoder(const FormatTable &table) : Decoder(table)
    {
        handle_ = mpg123_new(nullptr, nullptr);
        if (!handle_)
            return;
        long flags = MPG123_GAPLESS;
        if (moduleVerbosity() == 0)
            flags |= MPG123_QUIET;
        mpg123_param(handle_, MPG123_FLAGS, flags, 0);
        mpg123_param(handle_, MPG123_RESYNC_LIMIT, long(kMaxResyncBytes), 0);
        // Always 16-bit at the stream's own rate and channels; conversion
        // for the device is ours, so every module converts alike.
        mpg123_format_none(handle_);
        const long *rates = nullptr;
        size_t count = 0;
        mpg123_rates(&rates, &count);
        for (size_t i = 0; i < count; ++i)
            mpg123_format(handle_, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
        if (mpg123_open_feed(handle_) != MPG123_OK) {
            mpg123_delete(handle_);
            handle_ = nullptr;
        }
    }

    ~Mp3Decoder() override
    {
        if (handle_)
            mpg123_delete(handle_);
    }

    bool ok() const { return handle_ != nullptr; }

    int feed(const uint8_t *data, size_t length) override
    {
        const off_t pos = mpg123_tell_stream(handle_);
        const uint64_t pending = fed_ - uint64_t(pos > 0 ? pos : 0);
        if (length > kMaxPendingInput || pending > kMaxPendingInput - length)
            return -1;
        if (mpg123_feed(handle_, data, length) != MPG123_OK)
            return -1;
        fed_ += length;
        return 0;
    }

    int decodeFrame(const uint8_t **pcm, int *length) override
    {
        for (int i = 0; i < kMaxQuietCalls; ++i) {
            off_t num = 0;
            unsigned char *audio = nullptr;
            size_t bytes = 0;
            const int r = mpg123_decode_frame(handle_, &num, &audio, &bytes);
            if (r == MPG123_NEW_FORMAT) {
                if (!newFormat())
                    return kError;
                continue;
            }
            if (r == MPG123_NEED_MORE || r == MPG123_DONE)
                return kNeedMore;
            if (r != MPG123_OK)
                return kError;
            checkTags();
            if (bytes == 0 || !formatKnown_)
                continue;
            updateFrameInfo();
            return deliver(reinterpret_cast<const int16_t *>(audio),
                           bytes / (2 * size_t(sourceChannels())), pcm, length);
        }
        return kNeedMore;
    }

private:
    bool newFormat()
    {
        long rate = 0;
        int channels = 0, encoding = 0;
        if (mpg123_getformat(handle_, &rate, &channels, &encoding) != MPG123_OK
            || encoding != MPG123_ENC_SIGNED_16)
            return false;
        checkTags();
        updateFrameInfo();
        formatKnown_ = setSourceFormat(int(rate), channels);
        return formatKnown_;
    }

    void updateFrameInfo()
    {
        mpg123_frameinfo fi;
        if (mpg123_info(handle_, &fi) != MPG123_OK)
            return;
        info_.setBitrate(uint32_t(fi.bitrate > 0 ? fi.bitrate : 0));
        info_.setMode(uint32_t(fi.mode)); // same numbering as the record's
        const char *version = fi.version == MPG123_1_0 ? "1" : fi.version == MPG123_2_0 ? "2" : "2.5";
        if (fi.version != lastVersion_ || fi.layer != lastLayer_) {
            lastVersion_ = fi.version;
            lastLayer_ = fi.layer;
            info_.setDescription(std::string("MPEG ") + version + " Layer " + layerName(fi.layer));
        }
    }

    void checkTags()
    {
        if (!(mpg123_meta_check(handle_) & MPG123_NEW_ID3))
            return;
        mpg123_id3v1 *v1 = nullptr;
        mpg123_id3v2 *v2 = nullptr;
        if (mpg123_id3(handle_, &v1, &v2) != MPG123_OK)
            return;
        Tags tags;
        if (v2) {
            tags.title = text(v2->title);
            tags.artist = text(v2->artist);
            tags.album = text(v2->album);
        }
        if (v1) {
            if (!tags.title)
                tags.title = v1Text(v1->title, sizeof v1->title);
            if (!tags.artist)
                tags.artist = v1Text(v1->artist, sizeof v1->artist);
            if (!tags.album)
                tags.album = v1Text(v1->album, sizeof v1->album);
        }
        mpg123_meta_free(handle_);
        if (!(tags == info_.tags())) {
            info_.setTags(tags);
            markChanged();
        }
    }

    mpg123_handle *handle_ = nullptr;
    uint64_t fed_ = 0;
    bool formatKnown_ = false;
    int lastVersion_ = -1;
    int lastLayer_ = -1;
};

} // namespace

int moduleInit(int)
{
    return 0;
}

bool moduleLooksValid(const uint8_t *data, size_t length)
{
    const size_t tag = id3v2Length(data, length);
    if (tag >= length)
        return false; // a tag that runs past the data: wait for more
    data += tag;
    length -= tag;
    if (startsWithContainerMagic(data, length))
        return false;
    return mp3::findMpegSync(data, length) >= 0;
}

std::unique_ptr<Decoder> moduleCreate(const FormatTable &table)
{
    auto d = std::make_unique<Mp3Decoder>(table);
    return d->ok() ? std::move(d) : nullptr;
}

} // namespace wavelark::modules
