// Native FLAC through libFLAC's stream decoder. FlacFrame finds the frame
// boundaries, and libFLAC is handed whole frames only: its read callback
// never runs dry in the middle of a frame, whatever pieces the input
// arrives in. A new "fLaC" after a frame starts a new stream (result 1).
#include "ByteQueue.h"
#include "Decoder.h"
#include "Downmix.h"
#include "FlacFrame.h"
#include "Probe.h"

#include <FLAC/stream_decoder.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace wavelark::modules {

namespace {

using flac::FrameHeader;
using flac::Scan;

// Longest frame header; the successor search stops this short of the data end.
constexpr size_t kMaxHeaderBytes = 16;
// Longer than any real frame: a header without a successor this far is false.
constexpr size_t kMaxFrameBytes = 1u << 20;
// process_single calls per released block at most (each normally decodes a frame).
constexpr int kMaxCallsPerBlock = 64;

bool isMagic(const uint8_t *p, size_t n)
{
    return n >= 4 && std::memcmp(p, "fLaC", 4) == 0;
}

class FlacDecoder final : public Decoder
{
public:
    explicit FlacDecoder(const FormatTable &table) : Decoder(table)
    {
        decoder_ = FLAC__stream_decoder_new();
        if (decoder_ && !start())
            close();
    }
    ~FlacDecoder() override { close(); }
    bool ok() const { return decoder_ != nullptr; }

    int feed(const uint8_t *data, size_t length) override
    {
        return in_.append(data, length, kMaxPendingInput) ? 0 : -1;
    }

    int decodeFrame(const uint8_t **pcm, int *length) override
    {
        for (;;) {
            if (broken_)
                return kError;
            samples_.clear();
            const int r = atStreamStart_ ? readMetadata() : nextFrame();
            if (r == kFrame && !samples_.empty()) {
                const size_t frames = samples_.size() / size_t(mixer_.outChannels());
                return deliver(samples_.data(), frames, pcm, length);
            }
            if (r == kEnded)
                return kFrame; // with length 0: the stream's last frame is out
            if (r != kFrame)
                return r;
        }
    }

private:
    // Internal result of nextFrame: past the last frame STREAMINFO announced.
    static constexpr int kEnded = 3;

    bool start()
    {
        FLAC__stream_decoder_set_md5_checking(decoder_, false);
        FLAC__stream_decoder_set_metadata_respond(decoder_, FLAC__METADATA_TYPE_VORBIS_COMMENT);
        atStreamStart_ = true;
        total_ = 0;
        streamBlock_ = 0;
        ended_ = false;
        haveHeader_ = false;
        inChannels_ = 0;
        return FLAC__stream_decoder_init_stream(decoder_, &readCb, nullptr, nullptr, nullptr,
                                                nullptr, &writeCb, &metadataCb, &errorCb,
                                                this) == FLAC__STREAM_DECODER_INIT_STATUS_OK;
    }

    void close()
    {
        if (decoder_)
            FLAC__stream_decoder_delete(decoder_);
        decoder_ = nullptr;
    }

    // Skips an ID3v2 tag, then hands the whole metadata section to libFLAC.
    int readMetadata()
    {
        const size_t tag = id3v2Length(in_.data(), in_.size());
        if (tag > 0) {
            if (tag > in_.size())
                return kNeedMore;
            in_.consume(tag);
        }
        size_t length = 0;
        switch (flac::metadataLength(in_.data(), in_.size(), length)) {
        case Scan::NeedMore: return kNeedMore;
        case Scan::Invalid:
            if (isMagic(in_.data(), in_.size()))
                drop(4); // the magic with a broken STREAMINFO: not a stream start
            // No magic: a stream joined mid-way; frames carry their format.
            atStreamStart_ = false;
            return kFrame;
        case Scan::Found: break;
        }
        if (length > in_.size())
            return kNeedMore;
        readPos_ = 0;
        release_ = length;
        if (!FLAC__stream_decoder_process_until_end_of_metadata(decoder_) || readPos_ != length)
            return kError;
        in_.consume(length);
        atStreamStart_ = false;
        return kFrame;
    }

    // Finds the frame at the front and decodes it.
    int nextFrame()
    {
        if (isMagic(in_.data(), in_.size())) {
            // A new stream follows: a fresh decoder, as for the first.
            FLAC__stream_decoder_finish(decoder_); // false only for an MD5 mismatch
            return start() ? kFrame : kError;
        }
        if (ended_)
            return kEnded;
        if (!haveHeader_ && !syncToHeader())
            return kNeedMore;
        size_t end = 0;
        if (findFrameEnd(end)) {
            decodeBlock(end, false);
            return kFrame;
        }
        if (!isLastFrame())
            return kNeedMore;
        // The last frame has no successor: try each end where the CRC-16
        // matches, and let libFLAC confirm (a frame cut short fails).
        const uint8_t *p = in_.data();
        for (; tailPos_ < in_.size(); ++tailPos_) {
            tailCrc_ = flac::crc16(tailCrc_, p + tailPos_, 1);
            if (tailCrc_ == 0 && decodeBlock(tailPos_ + 1, true)) {
                ended_ = true;
                return kFrame;
            }
        }
        return kNeedMore;
    }

    bool isLastFrame() const
    {
        if (total_ == 0)
            return false;
        const uint64_t first = header_.variable ? header_.number : header_.number * streamBlock_;
        return first + uint64_t(header_.blockSize) >= total_;
    }

    // Lets libFLAC decode the first `end` bytes. A tentative block that gives
    // no clean frame is left in place; otherwise the bytes are consumed.
    bool decodeBlock(size_t end, bool tentative)
    {
        readPos_ = 0;
        release_ = end;
        frameError_ = false;
        frameBytes_ += end; // before decoding, so the first frame has a bitrate
        for (int i = 0; i < kMaxCallsPerBlock && !broken_; ++i) {
            const size_t before = samples_.size();
            if (!FLAC__stream_decoder_process_single(decoder_) ||
                FLAC__stream_decoder_get_state(decoder_) == FLAC__STREAM_DECODER_ABORTED) {
                // libFLAC wanted more than the block: damage or a false end.
                FLAC__stream_decoder_flush(decoder_);
                break;
            }
            if (readPos_ == release_ && samples_.size() > before)
                break; // the whole block read and a frame out: the usual case
        }
        if (tentative && (samples_.empty() || frameError_)) {
            samples_.clear();
            frameBytes_ -= end;
            return false;
        }
        if (!tentative && isLastFrame() && !samples_.empty())
            ended_ = true;
        in_.consume(end);
        haveHeader_ = false;
        skipped_ = 0;
        return true;
    }

    // Drops bytes up to the next frame header or "fLaC"; true when the front
    // now holds a frame header.
    bool syncToHeader()
    {
        const uint8_t *p = in_.data();
        const size_t n = in_.size();
        for (size_t i = 0; i + kMaxHeaderBytes <= n; ++i) {
            if (isMagic(p + i, n - i)) {
                drop(i);
                return false; // nextFrame starts the new stream
            }
            if (flac::parseFrameHeader(p + i, n - i, header_)) {
                drop(i);
                haveHeader_ = true;
                scanPos_ = tailPos_ = header_.headerBytes;
                tailCrc_ = flac::crc16(0, in_.data(), tailPos_);
                return true;
            }
        }
        drop(n > kMaxHeaderBytes ? n - kMaxHeaderBytes : 0);
        return false;
    }

    void drop(size_t bytes)
    {
        in_.consume(bytes);
        skipped_ += bytes;
        if (skipped_ > kMaxResyncBytes)
            broken_ = true;
    }

    // The end of the frame at the front: where the next frame of the stream
    // (or a new "fLaC" after a matching CRC) begins. Resumes where the last
    // call stopped, so the search is linear in the input.
    bool findFrameEnd(size_t &end)
    {
        const uint8_t *p = in_.data();
        const size_t n = in_.size();
        FrameHeader next;
        const size_t limit = n >= kMaxHeaderBytes ? n - kMaxHeaderBytes + 1 : 0;
        // A new stream's magic closes the frame only where its CRC-16 does.
        const uint8_t *magic =
            scanPos_ < limit
                ? static_cast<const uint8_t *>(memmem(p + scanPos_, n - scanPos_, "fLaC", 4))
                : nullptr;
        while (scanPos_ < limit) {
            const uint8_t *q = p + scanPos_;
            if ((q == magic && flac::crc16(0, p, scanPos_) == 0) ||
                (q[0] == 0xFF && flac::parseFrameHeader(q, n - scanPos_, next) &&
                 flac::follows(header_, next))) {
                end = scanPos_;
                return true;
            }
            // Only a frame sync (0xFF) or the magic can start a boundary.
            const size_t from = scanPos_ + 1;
            const void *ff = from < limit ? std::memchr(p + from, 0xFF, limit - from) : nullptr;
            scanPos_ = ff ? size_t(static_cast<const uint8_t *>(ff) - p) : limit;
            if (magic && magic > q && size_t(magic - p) < scanPos_)
                scanPos_ = size_t(magic - p);
        }
        if (scanPos_ > kMaxFrameBytes) {
            // No successor this far: the header was a false one; look again.
            haveHeader_ = false;
            drop(1);
        }
        return false;
    }

    static FLAC__StreamDecoderReadStatus readCb(const FLAC__StreamDecoder *, FLAC__byte buffer[],
                                                size_t *bytes, void *self)
    {
        auto *d = static_cast<FlacDecoder *>(self);
        const size_t n = std::min(*bytes, d->release_ - d->readPos_);
        *bytes = n;
        if (n == 0)
            return FLAC__STREAM_DECODER_READ_STATUS_ABORT;
        std::memcpy(buffer, d->in_.data() + d->readPos_, n);
        d->readPos_ += n;
        return FLAC__STREAM_DECODER_READ_STATUS_CONTINUE;
    }

    static FLAC__StreamDecoderWriteStatus writeCb(const FLAC__StreamDecoder *,
                                                  const FLAC__Frame *frame,
                                                  const FLAC__int32 *const buffer[], void *self)
    {
        auto *d = static_cast<FlacDecoder *>(self);
        return d->onFrame(frame, buffer) ? FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE
                                         : FLAC__STREAM_DECODER_WRITE_STATUS_ABORT;
    }

    bool onFrame(const FLAC__Frame *frame, const FLAC__int32 *const buffer[])
    {
        const FLAC__FrameHeader &h = frame->header;
        const int channels = int(h.channels), bits = int(h.bits_per_sample);
        if (bits < 4 || bits > 32 || channels < 1) {
            broken_ = true;
            return false;
        }
        if (channels != inChannels_ || int(h.sample_rate) != sourceRate()) {
            mixer_.configure(speakerLayout(ChannelOrder::Flac, channels));
            inChannels_ = channels;
            if (!setSourceFormat(int(h.sample_rate), mixer_.outChannels())) {
                broken_ = true;
                return false;
            }
            infoRecord().setDescription("FLAC " + std::to_string(bits) + "-bit");
        }
        infoRecord().setMode(channels == 1 ? WAVELARK_MODE_MONO
                             : h.channel_assignment == FLAC__CHANNEL_ASSIGNMENT_INDEPENDENT
                                 ? WAVELARK_MODE_STEREO
                                 : WAVELARK_MODE_JOINT_STEREO);
        frameSamples_ += h.blocksize;
        if (frameSamples_ > 0)
            infoRecord().setBitrate(
                uint32_t(frameBytes_ * 8 * h.sample_rate / frameSamples_ / 1000));
        const size_t start = samples_.size();
        samples_.resize(start + size_t(h.blocksize) * size_t(mixer_.outChannels()));
        int16_t *out = samples_.data() + start;
        mixer_.planarInt(buffer, h.blocksize, bits, out);
        return true;
    }

    static void metadataCb(const FLAC__StreamDecoder *, const FLAC__StreamMetadata *m, void *self)
    {
        auto *d = static_cast<FlacDecoder *>(self);
        if (m->type == FLAC__METADATA_TYPE_STREAMINFO) {
            d->total_ = m->data.stream_info.total_samples;
            d->streamBlock_ = m->data.stream_info.min_blocksize;
        } else if (m->type == FLAC__METADATA_TYPE_VORBIS_COMMENT) {
            Tags tags;
            const auto &vc = m->data.vorbis_comment;
            for (FLAC__uint32 i = 0; i < vc.num_comments; ++i)
                if (vc.comments[i].entry)
                    tags.addComment({reinterpret_cast<const char *>(vc.comments[i].entry),
                                     vc.comments[i].length});
            d->infoRecord().setTags(tags);
            d->markChanged();
        }
    }

    static void errorCb(const FLAC__StreamDecoder *, FLAC__StreamDecoderErrorStatus, void *self)
    {
        // Lost sync, a bad header or a CRC mismatch: libFLAC skips the frame.
        static_cast<FlacDecoder *>(self)->frameError_ = true;
    }

    FLAC__StreamDecoder *decoder_ = nullptr;
    ByteQueue in_;
    size_t release_ = 0; // bytes at the front libFLAC may read
    size_t readPos_ = 0; // of those, bytes it has read
    bool atStreamStart_ = true;
    bool haveHeader_ = false; // header_ describes the frame at the front
    FrameHeader header_;
    size_t scanPos_ = 0;       // successor search position, from the front
    size_t tailPos_ = 0;       // the last frame's end search position
    uint16_t tailCrc_ = 0;     // CRC-16 of the front frame up to tailPos_
    bool frameError_ = false;  // libFLAC reported damage in the current block
    bool ended_ = false;       // the last frame STREAMINFO announced is out
    uint64_t streamBlock_ = 0; // block size of a fixed-block stream
    size_t skipped_ = 0;       // bytes dropped since the last good frame
    bool broken_ = false;
    uint64_t total_ = 0; // samples per channel STREAMINFO announces; 0 = unknown
    uint64_t frameBytes_ = 0, frameSamples_ = 0;
    int inChannels_ = 0;
    Downmixer mixer_;
    std::vector<int16_t> samples_;
};

} // namespace

bool moduleLooksValid(const uint8_t *data, size_t length)
{
    if (!skipId3v2(data, length))
        return false;
    return flac::looksLikeFlac(data, length);
}

std::unique_ptr<Decoder> moduleCreate(const FormatTable &table)
{
    auto d = std::make_unique<FlacDecoder>(table);
    return d->ok() ? std::move(d) : nullptr;
}

} // namespace wavelark::modules
