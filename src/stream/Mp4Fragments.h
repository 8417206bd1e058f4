#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <cstdint>

// Fragmented MP4 as HTTP Live Streaming serves it: an init section (ftyp,
// moov) describing the AAC track, then segments of moof/mdat pairs. The AAC
// module reads ADTS, so each sample leaves here behind an ADTS header. Pure
// and bounded by the bytes given.

struct Mp4AudioTrack
{
    bool valid = false;
    uint32_t trackId = 0;
    int objectType = 0; // the AAC core's audio object type (2: LC)
    int rateIndex = 0;  // sampling frequency index of the core
    int channels = 0;   // channel configuration
    uint32_t defaultSampleSize = 0;
};

// The first AAC track of an init section; not valid when there is none.
Mp4AudioTrack readMp4Init(QByteArrayView init);

// The track's samples in the segment's fragments, each as an ADTS frame.
QByteArray mp4FragmentsToAdts(QByteArrayView segment, const Mp4AudioTrack &track);

// An ADTS header for an AAC frame of `payload` bytes (at most 8184).
QByteArray adtsHeader(const Mp4AudioTrack &track, qsizetype payload);
