// Ogg Vorbis through libogg and libvorbis's synthesis layer (not the file
// layer, which wants to read and seek by itself). Chained streams start a
// new decoder and report their tags with result 1.
#include "Decoder.h"
#include "Downmix.h"
#include "OggDemux.h"

#include <vorbis/codec.h>

#include <cstring>

namespace wavelark::modules {

namespace {

bool isVorbisHeader(const uint8_t *p, size_t n)
{
    // Identification header: type 1, "vorbis", version 0, channels, rate,
    // three bitrates, block sizes, framing bit.
    if (n < 30 || p[0] != 1 || std::memcmp(p + 1, "vorbis", 6) != 0)
        return false;
    const uint32_t version =
        uint32_t(p[7]) | uint32_t(p[8]) << 8 | uint32_t(p[9]) << 16 | uint32_t(p[10]) << 24;
    const uint32_t rate =
        uint32_t(p[12]) | uint32_t(p[13]) << 8 | uint32_t(p[14]) << 16 | uint32_t(p[15]) << 24;
    const int bs0 = p[28] & 0x0f, bs1 = p[28] >> 4;
    return version == 0 && p[11] > 0 && rate > 0 && bs0 >= 6 && bs1 <= 13 && bs0 <= bs1 &&
           (p[29] & 1);
}

class VorbisDecoder final : public Decoder
{
public:
    explicit VorbisDecoder(const FormatTable &table) : Decoder(table), demux_(isVorbisHeader) {}
    ~VorbisDecoder() override { reset(); }

    int feed(const uint8_t *data, size_t length) override
    {
        return demux_.feed(data, length) ? 0 : -1;
    }

    int decodeFrame(const uint8_t **pcm, int *length) override
    {
        for (;;) {
            if (synthesis_) {
                const int r = drain(pcm, length);
                if (r != kNeedMore)
                    return r;
            }
            ogg_packet packet;
            bool newStream = false;
            switch (demux_.next(packet, newStream)) {
            case OggDemux::Next::NeedMore: return kNeedMore;
            case OggDemux::Next::Error: return kError;
            case OggDemux::Next::Packet: break;
            }
            if (newStream)
                reset();
            if (headers_ < 3) {
                if (!header(packet))
                    return kError;
            } else if (vorbis_synthesis(&block_, &packet) == 0) {
                vorbis_synthesis_blockin(&dsp_, &block_);
            }
        }
    }

private:
    bool header(ogg_packet &packet)
    {
        if (headers_ == 0) {
            vorbis_info_init(&vi_);
            vorbis_comment_init(&vc_);
            initialised_ = true;
        }
        if (vorbis_synthesis_headerin(&vi_, &vc_, &packet) != 0)
            return false;
        if (++headers_ < 3)
            return true;
        if (vorbis_synthesis_init(&dsp_, &vi_) != 0)
            return false;
        synthesis_ = true;
        vorbis_block_init(&dsp_, &block_);
        mixer_.configure(speakerLayout(ChannelOrder::Vorbis, vi_.channels));
        if (!setSourceFormat(int(vi_.rate), mixer_.outChannels()))
            return false;
        Tags tags;
        for (int i = 0; i < vc_.comments; ++i)
            if (vc_.user_comments[i] && vc_.comment_lengths[i] > 0)
                tags.addComment({vc_.user_comments[i], size_t(vc_.comment_lengths[i])});
        infoRecord().setTags(tags);
        long nominal = vi_.bitrate_nominal > 0 ? vi_.bitrate_nominal
                                               : (vi_.bitrate_upper + vi_.bitrate_lower) / 2;
        infoRecord().setBitrate(uint32_t(nominal > 0 ? nominal / 1000 : 0));
        infoRecord().setMode(vi_.channels == 1 ? WAVELARK_MODE_MONO : WAVELARK_MODE_STEREO);
        infoRecord().setDescription("Ogg Vorbis");
        return true;
    }

    int drain(const uint8_t **pcm, int *length)
    {
        float **planes = nullptr;
        const int frames = vorbis_synthesis_pcmout(&dsp_, &planes);
        if (frames <= 0)
            return kNeedMore;
        samples_.resize(size_t(frames) * size_t(mixer_.outChannels()));
        mixer_.planarFloat(planes, size_t(frames), samples_.data());
        vorbis_synthesis_read(&dsp_, frames);
        return deliver(samples_.data(), size_t(frames), pcm, length);
    }

    void reset()
    {
        if (synthesis_) {
            vorbis_block_clear(&block_);
            vorbis_dsp_clear(&dsp_);
        }
        if (initialised_) {
            vorbis_comment_clear(&vc_);
            vorbis_info_clear(&vi_);
        }
        synthesis_ = initialised_ = false;
        headers_ = 0;
    }

    OggDemux demux_;
    vorbis_info vi_{};
    vorbis_comment vc_{};
    vorbis_dsp_state dsp_{};
    vorbis_block block_{};
    bool initialised_ = false;
    bool synthesis_ = false;
    int headers_ = 0;
    Downmixer mixer_;
    std::vector<int16_t> samples_;
};

} // namespace

bool moduleLooksValid(const uint8_t *data, size_t length)
{
    return oggHasCodecStart(data, length, isVorbisHeader);
}

std::unique_ptr<Decoder> moduleCreate(const FormatTable &table)
{
    return std::make_unique<VorbisDecoder>(table);
}

} // namespace wavelark::modules
