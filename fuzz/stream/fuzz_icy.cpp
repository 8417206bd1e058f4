// Random bytes in random block splits through the content sniff and the ICY
// de-interleaver: the audio, the texts and their positions must not depend
// on the split, stripping a header late must equal knowing the interval from
// the first body byte, and no input may crash the sniff or the tag parse.
//
// Input: byte 0 chooses the interval (high bit: a small one), bytes 1–2 its
// value, byte 3 the split seed; the rest is the received stream.
#include "ContentSniff.h"
#include "HoldBuffer.h"
#include "IcyDeinterleaver.h"
#include "IcyTags.h"
#include "PlayListItem.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

struct Run
{
    QByteArray audio;
    std::vector<std::pair<QByteArray, qint64>> texts;
    bool pending = false;

    bool operator==(const Run &o) const
    {
        return audio == o.audio && texts == o.texts && pending == o.pending;
    }
};

// Splits come from a small linear congruential sequence so runs replay.
struct Splitter
{
    uint32_t state;
    size_t next(size_t left)
    {
        state = state * 1664525u + 1013904223u;
        const size_t limits[] = {1, 3, 17, 600, 16384};
        return std::min(left, 1 + size_t(state >> 8) % limits[(state >> 28) % 5]);
    }
};

void feed(IcyDeinterleaver &d, HoldBuffer &buf, const uint8_t *p, size_t n, Splitter *split)
{
    while (n > 0) {
        const size_t piece = split ? split->next(n) : n;
        if (!d.append(buf, reinterpret_cast<const char *>(p), piece))
            std::abort();
        p += piece;
        n -= piece;
    }
}

Run collect(const IcyDeinterleaver &d, const HoldBuffer &buf)
{
    Run r{QByteArray(buf.data(), qsizetype(buf.fill())), {}, d.partialPending()};
    for (const auto &mark : d.queue())
        r.texts.push_back({mark.text, mark.position});
    return r;
}

Run deinterleave(const uint8_t *p, size_t n, int metaint, Splitter *split)
{
    HoldBuffer buf;
    buf.resize(n + 1);
    IcyDeinterleaver d;
    d.setInterval(metaint);
    feed(d, buf, p, n, split);
    return collect(d, buf);
}

// The engine's order: bytes arrive with no interval known, a sniff finds
// the header, the body already held is de-interleaved again, more arrives.
void checkLateStrip(const uint8_t *p, size_t n, Splitter &split)
{
    HoldBuffer buf;
    buf.resize(n + 1);
    IcyDeinterleaver d;
    const size_t early = n / 2;
    feed(d, buf, p, early, &split);
    const SniffResult r = sniffContent(QByteArrayView(buf.data(), qsizetype(buf.fill())));
    if (r.stripLength == 0 || r.stripLength > early)
        return;
    d.stripHeader(buf, r.stripLength, r.metaint);
    feed(d, buf, p + early, n - early, &split);
    const Run late = collect(d, buf);
    const Run direct = deinterleave(p + r.stripLength, n - r.stripLength, r.metaint, nullptr);
    if (!(late == direct))
        std::abort();

    PlayListItem item("http://127.0.0.1/", "", "", "", "", "");
    item.icyHeader = r.header;
    parseIcyTags(item, [](const QString &) {});
}

void checkDueTexts(const uint8_t *p, size_t n, int metaint, uint32_t seed)
{
    HoldBuffer buf;
    buf.resize(n + 1);
    IcyDeinterleaver d;
    d.setInterval(metaint);
    feed(d, buf, p, n, nullptr);
    Splitter chunks{seed};
    PlayListItem item("http://127.0.0.1/", "", "", "", "", "");
    for (size_t taken = 0; !d.queue().empty();) {
        if (taken > n)
            std::abort(); // everything is due once all audio was taken
        const size_t chunk = chunks.next(n + 1);
        taken += chunk;
        if (const std::optional<QString> text = d.advance(chunk)) {
            item.icyMeta = *text;
            parseIcyTags(item, [](const QString &) {});
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 4)
        return 0;
    const int raw = data[1] | (data[2] << 8);
    const int metaint = (data[0] & 0x80) ? 1 + raw % 64 : raw % 16001;
    const uint32_t seed = data[3] * 2654435761u;
    data += 4;
    size -= 4;

    const Run whole = deinterleave(data, size, metaint, nullptr);
    Splitter split{seed};
    if (!(deinterleave(data, size, metaint, &split) == whole))
        std::abort();
    if (size <= 4096) {
        HoldBuffer buf;
        buf.resize(size + 1);
        IcyDeinterleaver d;
        d.setInterval(metaint);
        for (size_t i = 0; i < size; ++i)
            if (!d.append(buf, reinterpret_cast<const char *>(data + i), 1))
                std::abort();
        if (!(collect(d, buf) == whole))
            std::abort();
    }
    checkLateStrip(data, size, split);
    checkDueTexts(data, size, metaint, seed);
    return 0;
}
