// AAC (LC, Main, LTP) and HE-AAC v1/v2 in ADTS frames through faad2. The
// framing is ours: sync search with a confirming next header after lost
// sync, whole frames to the library, and a fresh library decoder when the
// stream's rate, channels or object type change.
#include "AdtsHeader.h"
#include "ByteQueue.h"
#include "Decoder.h"
#include "Downmix.h"
#include "Probe.h"

#include <neaacdec.h>

#include <cstring>

namespace wavelark::modules {

namespace {

using aac::AdtsHeader;

Speaker speakerAt(unsigned char position)
{
    switch (position) {
    case FRONT_CHANNEL_LEFT:
    case SIDE_CHANNEL_LEFT:
    case BACK_CHANNEL_LEFT: return Speaker::Left;
    case FRONT_CHANNEL_RIGHT:
    case SIDE_CHANNEL_RIGHT:
    case BACK_CHANNEL_RIGHT: return Speaker::Right;
    case LFE_CHANNEL: return Speaker::Lfe;
    default: return Speaker::Center;
    }
}

const char *describe(const NeAACDecFrameInfo &fi)
{
    if (fi.ps)
        return "HE-AAC v2";
    if (fi.sbr == SBR_UPSAMPLED || fi.sbr == SBR_DOWNSAMPLED)
        return "HE-AAC";
    switch (fi.object_type) {
    case MAIN: return "AAC Main";
    case LTP: return "AAC LTP";
    default: return "AAC LC";
    }
}

class AacDecoder final : public Decoder
{
public:
    using Decoder::Decoder;
    ~AacDecoder() override { closeLibrary(); }

    int feed(const uint8_t *data, size_t length) override
    {
        return in_.append(data, length, kMaxPendingInput) ? 0 : -1;
    }

    int decodeFrame(const uint8_t **pcm, int *length) override
    {
        for (;;) {
            const uint8_t *p = in_.data();
            const size_t n = in_.size();
            if (n < 7)
                return kNeedMore;
            if (const size_t tag = id3v2Length(p, n)) {
                if (tag > n)
                    return kNeedMore;
                in_.consume(tag);
                continue;
            }
            AdtsHeader h;
            if (!aac::parseAdtsHeader(p, h)) {
                if (!resync())
                    return skipped_ > kMaxResyncBytes ? kError : kNeedMore;
                continue;
            }
            if (n < h.frameBytes + (inSync_ ? 0 : 7))
                return kNeedMore;
            AdtsHeader next;
            if (!inSync_ &&
                (!aac::parseAdtsHeader(p + h.frameBytes, next) || !next.sameStream(h))) {
                drop(1); // a false sync: the confirming header is not there
                continue;
            }
            const int r = decode(h, pcm, length);
            if (r != kNeedMore)
                return r;
        }
    }

private:
    // Decodes the frame at the front; kNeedMore when it gave no audio.
    int decode(const AdtsHeader &h, const uint8_t **pcm, int *length)
    {
        if (!library_ || !h.sameStream(stream_)) {
            if (!h.sameStream(stream_))
                coreRate_ = false;
            if (!openLibrary(h)) {
                drop(h.frameBytes);
                return kNeedMore;
            }
        }
        NeAACDecFrameInfo fi;
        std::memset(&fi, 0, sizeof fi);
        // Into our own buffer: faad2's own is sized before Parametric Stereo
        // can turn up, and such a frame then reports more samples than it holds.
        void *buffer = decoded_.data();
        void *out = NeAACDecDecode2(library_, &fi, const_cast<uint8_t *>(in_.data()),
                                    static_cast<unsigned long>(h.frameBytes), &buffer,
                                    static_cast<unsigned long>(decoded_.size() * sizeof(int16_t)));
        in_.consume(h.frameBytes);
        inSync_ = true;
        skipped_ = 0;
        if (!out || fi.error || fi.samples == 0 || fi.channels == 0 || fi.samples > decoded_.size())
            return kNeedMore; // a damaged frame (or the decoder's start-up delay)
        if (fi.sbr == NO_SBR_UPSAMPLED && !coreRate_) {
            // faad2 doubles the rate of low-rate streams in case they carry
            // SBR; this one does not: decode it at its own rate from here on
            // (the dropped first frame is the encoder's priming delay).
            coreRate_ = true;
            closeLibrary(); // reopened on the next frame
            return kNeedMore;
        }
        const auto *samples = static_cast<const int16_t *>(out);
        size_t frames = fi.samples / fi.channels;
        // faad2 also doubles a mono stream in case Parametric Stereo appears;
        // until it does, the stream stays mono.
        if (fi.channels == 2 && h.channelConfig == 1 && !fi.ps) {
            mono_.resize(frames);
            for (size_t i = 0; i < frames; ++i)
                mono_[i] = samples[2 * i];
            samples = mono_.data();
            fi.channels = 1;
        }
        if (fi.channels != inChannels_ || int(fi.samplerate) != sourceRate()) {
            std::vector<Speaker> layout;
            for (int c = 0; c < fi.channels; ++c)
                layout.push_back(fi.channels <= 2 ? (c ? Speaker::Right : Speaker::Left)
                                                  : speakerAt(fi.channel_position[c]));
            if (fi.channels == 1)
                layout = {Speaker::Mono};
            mixer_.configure(layout);
            inChannels_ = fi.channels;
            if (!setSourceFormat(int(fi.samplerate), mixer_.outChannels()))
                return kError;
            infoRecord().setMode(fi.channels == 1 ? WAVELARK_MODE_MONO : WAVELARK_MODE_STEREO);
        }
        infoRecord().setDescription(describe(fi));
        bytes_ += h.frameBytes;
        coreFrames_ += uint64_t(h.rawBlocks) * 1024;
        infoRecord().setBitrate(uint32_t(bytes_ * 8 * uint64_t(h.rate) / coreFrames_ / 1000));
        if (fi.channels > 2) {
            planes_.assign(fi.channels, std::vector<float>(frames));
            std::vector<const float *> ptrs;
            for (size_t c = 0; c < fi.channels; ++c) {
                for (size_t i = 0; i < frames; ++i)
                    planes_[c][i] = float(samples[i * fi.channels + c]) / 32768.f;
                ptrs.push_back(planes_[c].data());
            }
            mixed_.resize(frames * 2);
            mixer_.planarFloat(ptrs.data(), frames, mixed_.data());
            samples = mixed_.data();
        }
        return deliver(samples, frames, pcm, length);
    }

    bool openLibrary(const AdtsHeader &h)
    {
        closeLibrary();
        library_ = NeAACDecOpen();
        if (!library_)
            return false;
        NeAACDecConfigurationPtr config = NeAACDecGetCurrentConfiguration(library_);
        config->outputFormat = FAAD_FMT_16BIT;
        config->downMatrix = 1;
        config->defObjectType = LC;
        config->dontUpSampleImplicitSBR = coreRate_ ? 1 : 0;
        NeAACDecSetConfiguration(library_, config);
        unsigned long rate = 0;
        unsigned char channels = 0;
        if (NeAACDecInit(library_, const_cast<uint8_t *>(in_.data()),
                         static_cast<unsigned long>(h.frameBytes), &rate, &channels) < 0) {
            closeLibrary();
            return false;
        }
        stream_ = h;
        return true;
    }

    void closeLibrary()
    {
        if (library_)
            NeAACDecClose(library_);
        library_ = nullptr;
    }

    // Drops bytes up to the next possible header; false when none is in sight.
    bool resync()
    {
        const uint8_t *p = in_.data();
        const size_t n = in_.size();
        inSync_ = false;
        const void *ff = std::memchr(p + 1, 0xFF, n - 1);
        const size_t to = ff ? size_t(static_cast<const uint8_t *>(ff) - p) : n;
        drop(to);
        return ff != nullptr && skipped_ <= kMaxResyncBytes;
    }

    void drop(size_t bytes)
    {
        in_.consume(bytes);
        skipped_ += bytes;
    }

    ByteQueue in_;
    NeAACDecHandle library_ = nullptr;
    AdtsHeader stream_;
    bool inSync_ = false;
    size_t skipped_ = 0;
    unsigned char inChannels_ = 0;
    uint64_t bytes_ = 0, coreFrames_ = 0;
    Downmixer mixer_;
    std::vector<std::vector<float>> planes_;
    std::vector<int16_t> mixed_, mono_;
    // 2048 frames (SBR doubles the 1024 of a frame) of up to 8 channels.
    std::vector<int16_t> decoded_ = std::vector<int16_t>(2048 * 8);
    bool coreRate_ = false; // decoding without faad2's implicit-SBR upsampling
};

} // namespace

bool moduleLooksValid(const uint8_t *data, size_t length)
{
    if (!skipId3v2(data, length))
        return false;
    if (startsWithContainerMagic(data, length))
        return false;
    return aac::findAdtsSync(data, length) >= 0;
}

std::unique_ptr<Decoder> moduleCreate(const FormatTable &table)
{
    return std::make_unique<AacDecoder>(table);
}

} // namespace wavelark::modules
