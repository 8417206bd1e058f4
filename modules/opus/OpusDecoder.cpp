// Ogg Opus through libogg and libopus. Output is 48 kHz unless the device
// lacks it: then libopus decodes straight at one of its own rates (8, 12,
// 16, 24 kHz) when the device has one, and the converter resamples only as
// a last resort. Pre-skip and end trimming follow the granule positions.
#include "Decoder.h"
#include "Downmix.h"
#include "OggDemux.h"
#include "OpusHead.h"

#include <opus/opus.h>
#include <opus/opus_multistream.h>

namespace wavelark::modules {

namespace {

using opus::OpusHead;

// 120 ms at 48 kHz: the longest packet Opus allows.
constexpr int kMaxPacketFrames = 5760;

bool isOpusHeader(const uint8_t *p, size_t n)
{
    OpusHead h;
    return opus::parseOpusHead(p, n, h);
}

class OggOpusDecoder final : public Decoder
{
public:
    explicit OggOpusDecoder(const FormatTable &table) : Decoder(table), demux_(isOpusHeader) {}
    ~OggOpusDecoder() override { reset(); }

    int feed(const uint8_t *data, size_t length) override
    {
        return demux_.feed(data, length) ? 0 : -1;
    }

    int decodeFrame(const uint8_t **pcm, int *length) override
    {
        for (;;) {
            ogg_packet packet;
            bool newStream = false;
            switch (demux_.next(packet, newStream)) {
            case OggDemux::Next::NeedMore: return kNeedMore;
            case OggDemux::Next::Error: return kError;
            case OggDemux::Next::Packet: break;
            }
            if (newStream) {
                if (!start(packet))
                    return kError;
                continue;
            }
            if (!decoder_ && !single_)
                continue; // packets of a stream whose header we never saw
            if (!tagsSeen_) {
                tagsSeen_ = true;
                Tags tags;
                if (!opus::parseOpusTags(packet.packet, size_t(packet.bytes), tags))
                    return kError;
                infoRecord().setTags(tags);
                continue;
            }
            const int frames = decode(packet);
            if (frames > 0)
                return deliver(out_, size_t(frames), pcm, length);
        }
    }

private:
    bool start(const ogg_packet &packet)
    {
        reset();
        if (!opus::parseOpusHead(packet.packet, size_t(packet.bytes), head_))
            return false;
        mixer_.configure(speakerLayout(ChannelOrder::Vorbis, head_.channels));
        const int channels = mixer_.outChannels();
        decodeRate_ = 48000;
        for (int rate : {48000, 24000, 16000, 12000, 8000}) {
            if (table().offersRate(rate)) {
                decodeRate_ = rate;
                break;
            }
        }
        int err = 0;
        if (head_.family == 0) {
            // One stream: the plain decoder, measurably cheaper than the
            // multistream one.
            single_ = opus_decoder_create(decodeRate_, head_.channels, &err);
            if (!single_ || err != OPUS_OK)
                return false;
            opus_decoder_ctl(single_, OPUS_SET_GAIN(head_.gainQ8));
        } else {
            decoder_ = opus_multistream_decoder_create(decodeRate_, head_.channels, head_.streams,
                                                       head_.coupled, head_.mapping.data(), &err);
            if (!decoder_ || err != OPUS_OK)
                return false;
            opus_multistream_decoder_ctl(decoder_, OPUS_SET_GAIN(head_.gainQ8));
        }
        toSkip_ = int64_t(head_.preSkip);
        decoded48_ = 0;
        packetBytes_ = packetFrames48_ = 0;
        if (!setSourceFormat(decodeRate_, channels))
            return false;
        infoRecord().setMode(channels == 1 ? WAVELARK_MODE_MONO : WAVELARK_MODE_STEREO);
        infoRecord().setDescription("Ogg Opus");
        return true;
    }

    // Decodes one packet, pointing out_ at its frames (mixed to at most two channels);
    // returns the frames to hand out after pre-skip and end trimming.
    int decode(const ogg_packet &packet)
    {
        interleaved_.resize(size_t(kMaxPacketFrames) * size_t(head_.channels));
        const int maxFrames = kMaxPacketFrames * decodeRate_ / 48000;
        int frames =
            single_ ? opus_decode(single_, packet.packet, opus_int32(packet.bytes),
                                  interleaved_.data(), maxFrames, 0)
                    : opus_multistream_decode(decoder_, packet.packet, opus_int32(packet.bytes),
                                              interleaved_.data(), maxFrames, 0);
        if (frames <= 0)
            return 0; // a damaged packet: skip it
        const int scale = 48000 / decodeRate_;
        updateBitrate(packet.bytes, frames * scale);
        int first = 0;
        if (toSkip_ > 0) {
            first = int(std::min<int64_t>(frames, toSkip_ / scale));
            toSkip_ -= int64_t(first) * scale;
        }
        int last = frames;
        decoded48_ += int64_t(frames) * scale;
        // The last page's granule position is the stream's true length.
        if (packet.e_o_s && packet.granulepos >= 0 && decoded48_ > packet.granulepos) {
            const int64_t extra = (decoded48_ - packet.granulepos) / scale;
            last = int(std::max<int64_t>(first, frames - extra));
        }
        return mix(first, last);
    }

    int mix(int first, int last)
    {
        const int n = last - first;
        if (n <= 0)
            return 0;
        if (head_.channels <= 2) {
            out_ = interleaved_.data() + size_t(first) * size_t(head_.channels);
            return n;
        }
        samples_.resize(size_t(n) * size_t(mixer_.outChannels()));
        out_ = samples_.data();
        planes_.assign(size_t(head_.channels), std::vector<float>(size_t(n)));
        std::vector<const float *> ptrs;
        for (int c = 0; c < head_.channels; ++c) {
            for (int i = 0; i < n; ++i)
                planes_[size_t(c)][size_t(i)] =
                    float(interleaved_[size_t(first + i) * size_t(head_.channels) + size_t(c)]) /
                    32768.f;
            ptrs.push_back(planes_[size_t(c)].data());
        }
        mixer_.planarFloat(ptrs.data(), size_t(n), samples_.data());
        return n;
    }

    void updateBitrate(long bytes, int frames48)
    {
        packetBytes_ += uint64_t(bytes);
        packetFrames48_ += uint64_t(frames48);
        if (packetFrames48_ > 0)
            infoRecord().setBitrate(uint32_t(packetBytes_ * 8 * 48000 / packetFrames48_ / 1000));
    }

    void reset()
    {
        if (decoder_)
            opus_multistream_decoder_destroy(decoder_);
        if (single_)
            opus_decoder_destroy(single_);
        decoder_ = nullptr;
        single_ = nullptr;
        tagsSeen_ = false;
    }

    OggDemux demux_;
    OpusHead head_;
    OpusMSDecoder *decoder_ = nullptr; // channel mapping family 1
    OpusDecoder *single_ = nullptr;    // family 0
    bool tagsSeen_ = false;
    int decodeRate_ = 48000;
    int64_t toSkip_ = 0;    // pre-skip left, in 48 kHz samples
    int64_t decoded48_ = 0; // samples decoded so far, in 48 kHz units
    uint64_t packetBytes_ = 0, packetFrames48_ = 0;
    Downmixer mixer_;
    std::vector<opus_int16> interleaved_;
    std::vector<std::vector<float>> planes_;
    std::vector<int16_t> samples_;
    const int16_t *out_ = nullptr; // the frames decode() made ready
};

} // namespace

bool moduleLooksValid(const uint8_t *data, size_t length)
{
    return oggHasCodecStart(data, length, isOpusHeader);
}

std::unique_ptr<Decoder> moduleCreate(const FormatTable &table)
{
    return std::make_unique<OggOpusDecoder>(table);
}

} // namespace wavelark::modules
