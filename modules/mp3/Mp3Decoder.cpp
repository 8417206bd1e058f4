// MPEG audio layer II/III through libmpg123's feed interface. libmpg123 does
// the sync search, resync after damage, ID3 parsing and gapless trimming;
// this adds the validity check, output conversion and the information record.
#include "Decoder.h"
#include "Id3Tags.h"
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

class Mp3Decoder final : public Decoder
{
public:
    explicit Mp3Decoder(const FormatTable &table) : Decoder(table)
    {
        handle_ = mpg123_new(nullptr, nullptr);
        if (!handle_)
            return;
        // Tags are read by Id3Scanner (see Id3Tags.h for why).
        long flags = MPG123_GAPLESS | MPG123_SKIP_ID3V2;
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
        id3_.scan(data, length, fed_, pendingTags_);
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
        if (mpg123_getformat(handle_, &rate, &channels, &encoding) != MPG123_OK ||
            encoding != MPG123_ENC_SIGNED_16)
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
        const char *version = fi.version == MPG123_1_0   ? "1"
                              : fi.version == MPG123_2_0 ? "2"
                                                         : "2.5";
        if (fi.version != lastVersion_ || fi.layer != lastLayer_) {
            lastVersion_ = fi.version;
            lastLayer_ = fi.layer;
            info_.setDescription(std::string("MPEG ") + version + " Layer " + layerName(fi.layer));
        }
    }

    // Applies the tags whose position the decoder has reached.
    void checkTags()
    {
        const off_t pos = mpg123_tell_stream(handle_);
        while (!pendingTags_.empty() && pos >= 0 && uint64_t(pos) >= pendingTags_.front().offset) {
            if (!(pendingTags_.front().tags == info_.tags())) {
                info_.setTags(pendingTags_.front().tags);
                markChanged();
            }
            pendingTags_.erase(pendingTags_.begin());
        }
    }

    mpg123_handle *handle_ = nullptr;
    uint64_t fed_ = 0;
    mp3::Id3Scanner id3_;
    std::vector<mp3::FoundTags> pendingTags_; // in stream order
    bool formatKnown_ = false;
    int lastVersion_ = -1;
    int lastLayer_ = -1;
};

} // namespace

bool moduleLooksValid(const uint8_t *data, size_t length)
{
    if (!skipId3v2(data, length))
        return false;
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
