#pragma once

#include "Mp4Fragments.h"
#include "TsDemuxer.h"

#include <QByteArrayView>

// One media segment's audio, whatever it came in: a transport stream, packed
// audio (ADTS or MPEG audio behind ID3 tags) or fragmented MP4 (given the
// track of its init section). The audio is what a decoder module reads.
struct SegmentAudio
{
    bool recognised = false;
    TsAudio::Codec codec = TsAudio::Codec::Unknown; // of the audio's first frame
    QByteArray audio;
    std::vector<TsAudio::Title> titles; // positions into audio
};

SegmentAudio readHlsSegment(QByteArrayView body, const Mp4AudioTrack &init);
