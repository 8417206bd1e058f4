#include "DecodeRun.h"

#include <random>

InfoSnapshot snapshot(const DecoderInfo *info)
{
    InfoSnapshot s;
    if (!info)
        return s;
    s.rate = info->rate;
    s.channels = info->channels;
    s.format = info->format;
    s.flags = info->flags;
    s.mode = info->mode;
    s.bitrate = info->bitrate;
    s.hasTitle = info->title != nullptr;
    if (info->title)
        s.title = info->title;
    if (info->artist)
        s.artist = info->artist;
    if (info->album)
        s.album = info->album;
    s.description = info->description;
    return s;
}

Splitter wholeFeed()
{
    return [](size_t remaining) { return remaining; };
}

Splitter fixedFeed(size_t size)
{
    return [size](size_t remaining) { return std::min(size, remaining); };
}

Splitter randomFeed(unsigned seed, size_t maxPiece)
{
    auto rng = std::make_shared<std::mt19937>(seed);
    return [rng, maxPiece](size_t remaining) {
        return std::min(remaining, size_t(1 + (*rng)() % maxPiece));
    };
}

DecodeOutcome decodeAll(const LoadedModule &m, const QByteArray &data, const Splitter &split,
                        const std::vector<int> &table)
{
    DecodeOutcome out;
    const int h = m.openFeed(table.empty() ? nullptr : table.data(), int(table.size() / 3));
    if (h == -1) {
        out.error = true;
        return out;
    }
    size_t pos = 0;
    const auto *bytes = reinterpret_cast<const unsigned char *>(data.constData());
    const size_t total = size_t(data.size());
    // Once the data is all fed, one more round of decodeFrame drains it.
    while (!out.ended && !out.error) {
        const bool drained = pos >= total;
        if (!drained) {
            const size_t n = split(total - pos);
            if (m.feed(h, bytes + pos, int(n)) != 0)
                ++out.feedErrors;
            pos += n;
        }
        for (;;) {
            const unsigned char *pcm = nullptr;
            int len = 0;
            const int r = m.decodeFrame(h, &pcm, &len);
            out.lastResult = r;
            if (r == -1) {
                out.error = true;
                break;
            }
            if (r == 2)
                break;
            if ((r == 0 || r == 1) && len == 0) {
                out.ended = true;
                break;
            }
            if (r == 1) {
                InfoSnapshot s = snapshot(m.getInfo(h));
                s.atByte = size_t(out.pcm.size());
                out.changes.push_back(s);
            }
            out.pcm.append(reinterpret_cast<const char *>(pcm), len);
            ++out.frames;
        }
        if (drained)
            break;
    }
    m.finish(h);
    return out;
}

double toneFrequency(const QByteArray &pcm, int channels, int rate)
{
    const auto *s = reinterpret_cast<const int16_t *>(pcm.constData());
    const size_t frames = size_t(pcm.size()) / 2 / size_t(channels);
    const size_t from = frames / 4, to = frames * 3 / 4;
    if (to <= from + 1)
        return 0;
    int crossings = 0;
    for (size_t i = from + 1; i < to; ++i) {
        const int a = s[(i - 1) * size_t(channels)], b = s[i * size_t(channels)];
        if ((a < 0 && b >= 0) || (a >= 0 && b < 0))
            ++crossings;
    }
    return crossings / 2.0 / (double(to - from) / rate);
}
