// Telling the segment formats apart and taking their audio out.
#include "HlsSegmentReader.h"

#include "ByteViews.h"

#include "Id3Frames.h"

namespace {

bool startsWithBox(QByteArrayView body)
{
    if (body.size() < 8)
        return false;
    const QByteArrayView type = midView(body, 4, 4);
    return type == "moof" || type == "styp" || type == "sidx" || type == "ftyp";
}

// An ADTS or MPEG audio frame sync.
bool startsWithSync(QByteArrayView body)
{
    return body.size() >= 2 && uint8_t(body[0]) == 0xff && (uint8_t(body[1]) & 0xe0) == 0xe0;
}

SegmentAudio readPacked(QByteArrayView body)
{
    SegmentAudio out;
    // Leading tags: the title of what follows, and a timestamp we do not need.
    while (const size_t tag = id3TagLength(body)) {
        const QString title = id3StreamTitle(body.first(std::min<qsizetype>(body.size(), tag)));
        if (!title.isEmpty())
            out.titles.push_back({0, title});
        body = midView(body, std::min<qsizetype>(body.size(), qsizetype(tag)));
    }
    out.recognised = startsWithSync(body);
    if (out.recognised)
        out.audio = body.toByteArray();
    return out;
}

TsAudio::Codec codecOf(QByteArrayView audio)
{
    if (!startsWithSync(audio))
        return TsAudio::Codec::Unknown;
    // ADTS has layer 0 where MPEG audio has 1 to 3.
    return (uint8_t(audio[1]) & 0x06) == 0 ? TsAudio::Codec::Adts : TsAudio::Codec::Mpeg;
}

SegmentAudio readSegment(QByteArrayView body, const Mp4AudioTrack &init)
{
    SegmentAudio out;
    if (init.valid && startsWithBox(body)) {
        out.audio = mp4FragmentsToAdts(body, init);
        out.recognised = !out.audio.isEmpty();
        return out;
    }
    if (isTransportStream(body)) {
        TsAudio ts = demuxTransportStream(body);
        out.recognised = ts.codec != TsAudio::Codec::Unknown;
        out.audio = std::move(ts.audio);
        out.titles = std::move(ts.titles);
        return out;
    }
    return readPacked(body);
}

} // namespace

SegmentAudio readHlsSegment(QByteArrayView body, const Mp4AudioTrack &init)
{
    SegmentAudio out = readSegment(body, init);
    out.codec = codecOf(out.audio);
    return out;
}
