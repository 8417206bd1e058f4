// RIFF/WAVE with 8-bit or 16-bit PCM, mono or stereo. No library: samples
// are handed out in blocks once the header has been read.
#include "ByteQueue.h"
#include "Decoder.h"
#include "WavHeader.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <string>

namespace wavelark::modules {

namespace {

using wav::ParseResult;

// Sample frames handed out per decodeFrame call at most.
constexpr size_t kFramesPerCall = 4096;

class WavDecoder final : public Decoder
{
public:
    using Decoder::Decoder;

    int feed(const uint8_t *data, size_t length) override
    {
        return in_.append(data, length, kMaxPendingInput) ? 0 : -1;
    }

    int decodeFrame(const uint8_t **pcm, int *length) override
    {
        if (!headerDone_) {
            const int r = readHeader();
            if (r != kFrame)
                return r;
        }
        if (header_.dataBytes && remaining_ == 0)
            return kFrame; // end of the data chunk: nothing more
        const size_t align = size_t(header_.channels * header_.bits / 8);
        size_t bytes = std::min(in_.size(), kFramesPerCall * align);
        if (header_.dataBytes)
            bytes = size_t(std::min<uint64_t>(bytes, remaining_));
        bytes -= bytes % align;
        if (bytes == 0)
            return kNeedMore;
        const size_t frames = bytes / align;
        samples_.resize(frames * size_t(header_.channels));
        const uint8_t *p = in_.data();
        if (header_.bits == 8)
            for (size_t i = 0; i < samples_.size(); ++i)
                samples_[i] = int16_t((p[i] - 128) << 8);
        else if constexpr (std::endian::native == std::endian::little)
            std::memcpy(samples_.data(), p, bytes);
        else
            for (size_t i = 0; i < samples_.size(); ++i)
                samples_[i] = int16_t(p[2 * i] | p[2 * i + 1] << 8);
        in_.consume(bytes);
        remaining_ -= std::min<uint64_t>(remaining_, bytes);
        return deliver(samples_.data(), frames, pcm, length);
    }

private:
    int readHeader()
    {
        switch (wav::parseWavHeader(in_.data(), in_.size(), header_)) {
        case ParseResult::NeedMore: return kNeedMore;
        case ParseResult::Invalid: return kError;
        case ParseResult::Ok: break;
        }
        in_.consume(header_.dataOffset);
        remaining_ = header_.dataBytes;
        headerDone_ = true;
        const uint32_t own = header_.bits == 8 ? WAVELARK_AFMT_U8 : WAVELARK_AFMT_S16_LE;
        if (!setSourceFormat(header_.rate, header_.channels, own))
            return kError;
        info_.setTags(header_.tags);
        info_.setBitrate(uint32_t(uint64_t(header_.rate) * uint32_t(header_.channels) *
                                  uint32_t(header_.bits) / 1000));
        info_.setMode(header_.channels == 1 ? WAVELARK_MODE_MONO : WAVELARK_MODE_STEREO);
        info_.setDescription("WAV PCM " + std::to_string(header_.bits) + "-bit");
        return kFrame;
    }

    ByteQueue in_;
    wav::WavHeader header_;
    bool headerDone_ = false;
    uint64_t remaining_ = 0;
    std::vector<int16_t> samples_;
};

} // namespace

bool moduleLooksValid(const uint8_t *data, size_t length)
{
    wav::WavHeader h;
    return wav::parseWavHeader(data, length, h) == ParseResult::Ok;
}

std::unique_ptr<Decoder> moduleCreate(const FormatTable &table)
{
    return std::make_unique<WavDecoder>(table);
}

} // namespace wavelark::modules
