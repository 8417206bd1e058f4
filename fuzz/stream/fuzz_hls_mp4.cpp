// Random fragmented MP4 through the init-section and fragment readers. No
// input may crash them, and what comes out is whole ADTS frames.
//
// Input: bytes 0-1 are the init section's length (big-endian), then the
// init section, then the segment. An init section without an AAC track is
// replaced by a made-up track, so that the fragment reader is reached.
#include "Mp4Fragments.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace {

void checkFrames(const QByteArray &adts)
{
    qsizetype at = 0;
    while (at < adts.size()) {
        if (at + 7 > adts.size() || uint8_t(adts[at]) != 0xff)
            std::abort();
        const int length = ((uint8_t(adts[at + 3]) & 3) << 11) | (uint8_t(adts[at + 4]) << 3) |
                           (uint8_t(adts[at + 5]) >> 5);
        if (length <= 7)
            std::abort();
        at += length;
    }
    if (at != adts.size())
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    const size_t initLength = std::min(size - 2, size_t((data[0] << 8) | data[1]));
    const auto *bytes = reinterpret_cast<const char *>(data + 2);
    const QByteArrayView init(bytes, qsizetype(initLength));
    const QByteArrayView segment(bytes + initLength, qsizetype(size - 2 - initLength));
    Mp4AudioTrack track = readMp4Init(init);
    if (!track.valid) {
        track.valid = true;
        track.trackId = 1;
        track.objectType = 2;
        track.rateIndex = 4;
        track.channels = 2;
        track.defaultSampleSize = size > 2 ? data[2] : 0;
    }
    checkFrames(mp4FragmentsToAdts(segment, track));
    return 0;
}
