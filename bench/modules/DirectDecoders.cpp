#include "DirectDecoders.h"

#include <FLAC/stream_decoder.h>
#include <mpg123.h>
#include <neaacdec.h>
#include <ogg/ogg.h>
#include <opus/opus.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cstring>

namespace {
constexpr size_t kChunk = 32768; // what the program feeds per decode step
} // namespace

size_t directMp3(const Bytes &in)
{
    mpg123_handle *h = mpg123_new(nullptr, nullptr);
    mpg123_param(h, MPG123_FLAGS, MPG123_QUIET | MPG123_GAPLESS, 0);
    mpg123_open_feed(h);
    size_t total = 0;
    for (size_t pos = 0; pos < in.size(); pos += kChunk) {
        mpg123_feed(h, in.data() + pos, std::min(kChunk, in.size() - pos));
        for (;;) {
            off_t num;
            unsigned char *audio;
            size_t bytes;
            const int r = mpg123_decode_frame(h, &num, &audio, &bytes);
            if (r == MPG123_NEW_FORMAT)
                continue;
            if (r != MPG123_OK)
                break;
            total += bytes;
        }
    }
    mpg123_delete(h);
    return total;
}

size_t directAac(const Bytes &in)
{
    NeAACDecHandle h = NeAACDecOpen();
    NeAACDecConfigurationPtr c = NeAACDecGetCurrentConfiguration(h);
    c->outputFormat = FAAD_FMT_16BIT;
    NeAACDecSetConfiguration(h, c);
    unsigned long rate;
    unsigned char channels;
    auto *p = const_cast<uint8_t *>(in.data());
    long pos = NeAACDecInit(h, p, in.size(), &rate, &channels);
    size_t total = 0;
    while (pos >= 0 && size_t(pos) < in.size()) {
        NeAACDecFrameInfo fi;
        NeAACDecDecode(h, &fi, p + pos, in.size() - size_t(pos));
        if (fi.bytesconsumed == 0)
            break;
        pos += long(fi.bytesconsumed);
        total += fi.samples * 2;
    }
    NeAACDecClose(h);
    return total;
}

namespace {
struct MemFile
{
    const Bytes *in;
    size_t pos;
};
size_t memRead(void *ptr, size_t size, size_t n, void *src)
{
    auto *f = static_cast<MemFile *>(src);
    const size_t bytes = std::min(size * n, f->in->size() - f->pos);
    std::memcpy(ptr, f->in->data() + f->pos, bytes);
    f->pos += bytes;
    return bytes / size;
}
} // namespace

size_t directVorbis(const Bytes &in)
{
    MemFile f{&in, 0};
    OggVorbis_File vf;
    ov_callbacks cb = {memRead, nullptr, nullptr, nullptr};
    if (ov_open_callbacks(&f, &vf, nullptr, 0, cb) != 0)
        return 0;
    char buf[16384];
    size_t total = 0;
    int section;
    long n;
    while ((n = ov_read(&vf, buf, sizeof buf, 0, 2, 1, &section)) > 0)
        total += size_t(n);
    ov_clear(&vf);
    return total;
}

size_t directOpus(const Bytes &in)
{
    ogg_sync_state oy;
    ogg_stream_state os;
    ogg_sync_init(&oy);
    char *buf = ogg_sync_buffer(&oy, long(in.size()));
    std::memcpy(buf, in.data(), in.size());
    ogg_sync_wrote(&oy, long(in.size()));
    ogg_page og;
    ogg_packet op;
    OpusDecoder *dec = nullptr;
    int channels = 2, packets = 0;
    bool streamInit = false;
    std::vector<opus_int16> pcm(5760 * 2);
    size_t total = 0;
    while (ogg_sync_pageout(&oy, &og) == 1) {
        if (!streamInit) {
            ogg_stream_init(&os, ogg_page_serialno(&og));
            streamInit = true;
        }
        ogg_stream_pagein(&os, &og);
        while (ogg_stream_packetout(&os, &op) == 1) {
            if (packets++ == 0) {
                channels = op.packet[9];
                dec = opus_decoder_create(48000, channels, nullptr);
            } else if (packets > 2 && dec) {
                const int n =
                    opus_decode(dec, op.packet, opus_int32(op.bytes), pcm.data(), 5760, 0);
                if (n > 0)
                    total += size_t(n) * size_t(channels) * 2;
            }
        }
    }
    if (dec)
        opus_decoder_destroy(dec);
    if (streamInit)
        ogg_stream_clear(&os);
    ogg_sync_clear(&oy);
    return total;
}

namespace {
FLAC__StreamDecoderReadStatus flacRead(const FLAC__StreamDecoder *, FLAC__byte buffer[],
                                       size_t *bytes, void *src)
{
    auto *f = static_cast<MemFile *>(src);
    *bytes = std::min(*bytes, f->in->size() - f->pos);
    std::memcpy(buffer, f->in->data() + f->pos, *bytes);
    f->pos += *bytes;
    return *bytes ? FLAC__STREAM_DECODER_READ_STATUS_CONTINUE
                  : FLAC__STREAM_DECODER_READ_STATUS_END_OF_STREAM;
}
size_t g_flacTotal = 0;
FLAC__StreamDecoderWriteStatus flacWrite(const FLAC__StreamDecoder *, const FLAC__Frame *frame,
                                         const FLAC__int32 *const buffer[], void *)
{
    // The same int32-to-int16 interleaving any player does.
    static std::vector<int16_t> out;
    out.resize(frame->header.blocksize * frame->header.channels);
    size_t k = 0;
    for (unsigned i = 0; i < frame->header.blocksize; ++i)
        for (unsigned c = 0; c < frame->header.channels; ++c)
            out[k++] = int16_t(buffer[c][i]);
    g_flacTotal += out.size() * 2;
    return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
}
void flacError(const FLAC__StreamDecoder *, FLAC__StreamDecoderErrorStatus, void *)
{}
} // namespace

size_t directFlac(const Bytes &in)
{
    MemFile f{&in, 0};
    FLAC__StreamDecoder *d = FLAC__stream_decoder_new();
    FLAC__stream_decoder_set_md5_checking(d, false);
    FLAC__stream_decoder_init_stream(d, flacRead, nullptr, nullptr, nullptr, nullptr, flacWrite,
                                     nullptr, flacError, &f);
    g_flacTotal = 0;
    FLAC__stream_decoder_process_until_end_of_stream(d);
    FLAC__stream_decoder_delete(d);
    return g_flacTotal;
}

size_t directWav(const Bytes &in)
{
    // No library: the baseline is copying the sample bytes out.
    static Bytes out;
    out.resize(in.size());
    for (size_t pos = 0; pos < in.size(); pos += kChunk)
        std::memcpy(out.data() + pos, in.data() + pos, std::min(kChunk, in.size() - pos));
    return out.size();
}
