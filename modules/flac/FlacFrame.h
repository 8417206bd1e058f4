#pragma once
// Native FLAC framing, read without the library: the metadata section, frame
// headers (with their CRC-8) and frame boundaries. The decoder uses it to
// hand libFLAC whole frames only, so that input arriving in pieces never
// starves the library in the middle of a frame; the validity check uses it
// to recognise a stream by its magic or, mid-stream, by consecutive frames.
#include <cstddef>
#include <cstdint>

namespace wavelark::modules::flac {

struct FrameHeader
{
    bool variable = false; // variable block size: `number` counts samples
    uint64_t number = 0;   // frame number, or first sample number
    int blockSize = 0;
    int rateCode = 0; // 0 = from STREAMINFO
    int channels = 0;
    int bpsCode = 0; // 0 = from STREAMINFO
    size_t headerBytes = 0;
};

uint8_t crc8(const uint8_t *p, size_t n);
uint16_t crc16(uint16_t crc, const uint8_t *p, size_t n);

// Parses the frame header at `p` and checks its CRC-8. False when it is not
// a well-formed header or runs past `n`.
bool parseFrameHeader(const uint8_t *p, size_t n, FrameHeader &out);

// True when `next` can follow `cur` in one stream: same channel count,
// sample size and rate code, same blocking strategy, numbering ahead by a
// small step.
bool follows(const FrameHeader &cur, const FrameHeader &next);

enum class Scan { Found, NeedMore, Invalid };

// Length of "fLaC" plus all metadata blocks at `p`. Checks that the first
// block is a sane STREAMINFO.
Scan metadataLength(const uint8_t *p, size_t n, size_t &length);

// True when `p` starts a native FLAC stream: the magic with a sane
// STREAMINFO, or (mid-stream) a frame whose header and CRC-16 check and
// which is followed by the next frame of the same stream.
bool looksLikeFlac(const uint8_t *p, size_t n);

} // namespace wavelark::modules::flac
