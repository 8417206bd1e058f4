// Random media segments through the segment reader: transport streams,
// packed audio and their ID3 tags. No input may crash it, and every title
// lies within the audio taken out.
#include "HlsSegmentReader.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const SegmentAudio out = readHlsSegment(bytes, Mp4AudioTrack());
    if (!out.recognised && !out.audio.isEmpty())
        std::abort();
    for (const TsAudio::Title &t : out.titles)
        if (t.position < 0 || t.position > out.audio.size() || t.text.isEmpty())
            std::abort();
    if (out.audio.size() > bytes.size())
        std::abort();
    return 0;
}
