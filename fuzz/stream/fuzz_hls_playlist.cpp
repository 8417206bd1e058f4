// Random playlist text through the HTTP Live Streaming playlist reader and
// the variant choice: no input may crash them, segments are numbered one
// after the other, and a chosen variant is one of the list.
#include "HlsPlaylist.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView text(reinterpret_cast<const char *>(data), qsizetype(size));
    const HlsPlaylist p =
        parseHlsPlaylist(text, QStringLiteral("http://127.0.0.1/live/index.m3u8"));
    const auto &segments = p.media.segments;
    for (size_t i = 0; i < segments.size(); ++i) {
        if (segments[i].sequence != segments[0].sequence + qint64(i))
            std::abort();
        if (segments[i].key.method == HlsKey::Method::Aes128 && !segments[i].key.iv.isEmpty() &&
            segments[i].key.iv.size() != 16)
            std::abort();
    }
    const qint64 limit = size > 0 ? qint64(data[0]) * 1000 : 0;
    const std::optional<size_t> chosen = chooseHlsVariant(p.variants, limit);
    if (chosen && *chosen >= p.variants.size())
        std::abort();
    if (chosen)
        (void)hlsMediaUri(p, p.variants[*chosen]);
    return 0;
}
