// Drives one decoder module through its C entry points as the program does:
// valid on the offered bytes, then feed in pieces and decodeFrame until it
// asks for more. The first input byte picks the piece size and whether the
// device table forces conversion. Traps on a broken result contract.
#include <wavelark/decoder.h>

#include <cstddef>
#include <cstdint>

extern "C" {
int init(int);
int openFeed(const int *, int);
int valid(int, const unsigned char *, int);
int feed(int, const unsigned char *, int);
int decodeFrame(int, const unsigned char **, int *);
const DecoderInfo *getInfo(int);
void finish(int);
}

namespace {

// A device with one odd rate, mono only, 8-bit: every conversion path runs.
constexpr int kNarrowTable[] = {WAVELARK_AFMT_U8, WAVELARK_CHANNELS_MONO, 11025};
constexpr int kMaxCallsPerPiece = 4096;

void check(bool ok)
{
    if (!ok)
        __builtin_trap();
}

unsigned touch(const unsigned char *p, int n)
{
    unsigned sum = 0;
    for (int i = 0; i < n; ++i)
        sum += p[i];
    return sum;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool ready = init(0) == 0;
    check(ready);
    if (size < 1)
        return 0;
    const uint8_t control = data[0];
    ++data;
    --size;
    const int *table = (control & 0x80) ? kNarrowTable : nullptr;
    const int rows = table ? 1 : 0;

    int h = openFeed(table, rows);
    check(h != -1);
    const int v = valid(h, data, int(size));
    check(v == 0 || v == 1);
    const DecoderInfo *info = getInfo(h);
    check(info != nullptr);
    finish(h);

    h = openFeed(table, rows);
    const size_t piece = 1 + size_t(control & 0x7F) * 61;
    volatile unsigned sink = 0;
    bool done = false;
    for (size_t pos = 0; pos < size && !done; pos += piece) {
        const size_t n = size - pos < piece ? size - pos : piece;
        if (feed(h, data + pos, int(n)) != 0)
            break;
        for (int i = 0; i < kMaxCallsPerPiece; ++i) {
            const unsigned char *pcm = nullptr;
            int len = -1;
            const int r = decodeFrame(h, &pcm, &len);
            check(r >= -1 && r <= 2 && len >= 0);
            if (r == -1 || (r != 2 && len == 0)) {
                done = true;
                break;
            }
            if (r == 2)
                break;
            info = getInfo(h);
            check(pcm && info && (info->flags & WAVELARK_INFO_FORMAT_VALID));
            const int sampleBytes = info->format == WAVELARK_AFMT_S16_LE ||
                                            info->format == WAVELARK_AFMT_S16_BE ||
                                            info->format == WAVELARK_AFMT_U16_LE
                                        ? 2
                                        : 1;
            check(len % (sampleBytes * int(info->channels)) == 0);
            sink = sink + touch(pcm, len);
        }
    }
    finish(h);
    return 0;
}
