// Reading the boxes of fragmented MP4 that carry AAC.
#include "Mp4Fragments.h"

#include "ByteViews.h"

#include <functional>

namespace {

uint32_t be32(QByteArrayView b, qsizetype at)
{
    if (at < 0 || at + 4 > b.size())
        return 0;
    return (uint32_t(uint8_t(b[at])) << 24) | (uint32_t(uint8_t(b[at + 1])) << 16) |
           (uint32_t(uint8_t(b[at + 2])) << 8) | uint8_t(b[at + 3]);
}

uint64_t be64(QByteArrayView b, qsizetype at)
{
    return (uint64_t(be32(b, at)) << 32) | be32(b, at + 4);
}

struct Box
{
    QByteArrayView type;
    QByteArrayView body;
    qsizetype offset = 0; // of the box in the bytes walked
};

// Calls fn for each box in `bytes`; stops at the first malformed one.
void forEachBox(QByteArrayView bytes, const std::function<void(const Box &)> &fn)
{
    qsizetype at = 0;
    while (at + 8 <= bytes.size()) {
        uint64_t size = be32(bytes, at);
        qsizetype header = 8;
        if (size == 1) {
            size = at + 16 <= bytes.size() ? be64(bytes, at + 8) : 0;
            header = 16;
        } else if (size == 0) {
            size = uint64_t(bytes.size() - at);
        }
        if (size < uint64_t(header) || size > uint64_t(bytes.size() - at))
            return;
        fn(Box{midView(bytes, at + 4, 4), midView(bytes, at + header, qsizetype(size) - header),
               at});
        at += qsizetype(size);
    }
}

QByteArrayView child(QByteArrayView parent, const char *type, qsizetype skip = 0)
{
    QByteArrayView found;
    forEachBox(midView(parent, std::min(skip, parent.size())), [&](const Box &b) {
        if (found.isNull() && b.type == type)
            found = b.body;
    });
    return found;
}

// An MPEG-4 descriptor's length: up to four bytes of seven bits.
qsizetype descriptorLength(QByteArrayView b, qsizetype &at)
{
    qsizetype length = 0;
    for (int i = 0; i < 4 && at < b.size(); ++i) {
        const uint8_t c = uint8_t(b[at++]);
        length = (length << 7) | (c & 0x7f);
        if (!(c & 0x80))
            break;
    }
    return length;
}

// The AudioSpecificConfig inside an esds box's descriptors.
QByteArrayView audioConfig(QByteArrayView esds)
{
    qsizetype at = 4; // version and flags
    while (at + 2 <= esds.size()) {
        const uint8_t tag = uint8_t(esds[at++]);
        const qsizetype length = descriptorLength(esds, at);
        if (tag == 0x03) { // ES descriptor: id, flags, optional fields
            const uint8_t flags = at + 2 < esds.size() ? uint8_t(esds[at + 2]) : 0;
            at += 3 + ((flags & 0x80) ? 2 : 0) + ((flags & 0x20) ? 2 : 0);
            if (flags & 0x40)
                at += 1 + (at < esds.size() ? uint8_t(esds[at]) : 0);
        } else if (tag == 0x04) { // decoder config: 13 bytes, then its info
            at += 13;
        } else if (tag == 0x05) {
            return midView(esds, std::min(at, esds.size()), length);
        } else {
            at += length;
        }
    }
    return {};
}

bool readAudioConfig(QByteArrayView asc, Mp4AudioTrack &track)
{
    if (asc.size() < 2)
        return false;
    const uint16_t bits = uint16_t((uint8_t(asc[0]) << 8) | uint8_t(asc[1]));
    int type = bits >> 11;
    int rate = (bits >> 7) & 0x0f;
    const int channels = (bits >> 3) & 0x0f;
    // SBR and PS signalled explicitly: the core object follows the
    // extension's rate; ADTS carries the core, SBR stays implicit.
    if ((type == 5 || type == 29) && asc.size() >= 3 && rate != 15) {
        const uint32_t more = (uint32_t(bits) << 8) | uint8_t(asc[2]);
        type = int((more >> 2) & 0x1f); // after the 4-bit extension rate
    }
    if (type < 1 || type > 4 || rate > 12)
        return false;
    track.objectType = type;
    track.rateIndex = rate;
    track.channels = channels;
    return true;
}

// mp4a sample entry: 28 bytes of fields before its child boxes.
bool readTrak(QByteArrayView trak, Mp4AudioTrack &track)
{
    const QByteArrayView tkhd = child(trak, "tkhd");
    const QByteArrayView mdia = child(trak, "mdia");
    const QByteArrayView hdlr = child(mdia, "hdlr");
    if (hdlr.size() < 12 || midView(hdlr, 8, 4) != "soun")
        return false;
    const QByteArrayView stsd = child(child(child(mdia, "minf"), "stbl"), "stsd");
    const QByteArrayView mp4a = child(stsd, "mp4a", 8);
    if (mp4a.size() < 28 || !readAudioConfig(audioConfig(child(mp4a, "esds", 28)), track))
        return false;
    track.trackId = be32(tkhd, tkhd.size() > 0 && tkhd[0] == 1 ? 20 : 12);
    return true;
}

} // namespace

Mp4AudioTrack readMp4Init(QByteArrayView init)
{
    Mp4AudioTrack track;
    const QByteArrayView moov = child(init, "moov");
    forEachBox(moov, [&](const Box &b) {
        if (!track.valid && b.type == "trak")
            track.valid = readTrak(b.body, track);
    });
    forEachBox(child(moov, "mvex"), [&](const Box &b) {
        if (b.type == "trex" && be32(b.body, 4) == track.trackId)
            track.defaultSampleSize = be32(b.body, 16);
    });
    return track;
}

QByteArray adtsHeader(const Mp4AudioTrack &track, qsizetype payload)
{
    const int length = int(payload) + 7;
    QByteArray h(7, '\0');
    h[0] = char(0xff);
    h[1] = char(0xf1);
    h[2] =
        char(((track.objectType - 1) << 6) | (track.rateIndex << 2) | ((track.channels >> 2) & 1));
    h[3] = char(((track.channels & 3) << 6) | ((length >> 11) & 3));
    h[4] = char((length >> 3) & 0xff);
    h[5] = char(((length & 7) << 5) | 0x1f);
    h[6] = char(0xfc);
    return h;
}

namespace {

struct Fragment
{
    QByteArrayView segment;
    qsizetype moofOffset = 0;
    const Mp4AudioTrack *track = nullptr;
    QByteArray *out = nullptr;
};

// A trun's samples, read from where the run's data offset points.
void readRun(const Fragment &f, QByteArrayView trun, uint32_t sampleSize, qint64 base)
{
    const uint32_t flags = be32(trun, 0) & 0xffffff;
    const uint32_t count = be32(trun, 4);
    qsizetype at = 8;
    qint64 data = base;
    if (flags & 0x01) {
        data += qint32(be32(trun, at));
        at += 4;
    }
    if (flags & 0x04)
        at += 4;
    for (uint32_t i = 0; i < count && at <= trun.size(); ++i) {
        if (flags & 0x100)
            at += 4;
        uint32_t size = sampleSize;
        if (flags & 0x200) {
            size = be32(trun, at);
            at += 4;
        }
        at += ((flags & 0x400) ? 4 : 0) + ((flags & 0x800) ? 4 : 0);
        if (size == 0 || size > 8184 || data < 0 || data + size > f.segment.size())
            return;
        f.out->append(adtsHeader(*f.track, size));
        f.out->append(midView(f.segment, data, size));
        data += size;
    }
}

void readTraf(const Fragment &f, QByteArrayView traf)
{
    const QByteArrayView tfhd = child(traf, "tfhd");
    const uint32_t flags = be32(tfhd, 0) & 0xffffff;
    if (be32(tfhd, 4) != f.track->trackId)
        return;
    qsizetype at = 8;
    qint64 base = f.moofOffset;
    if (flags & 0x01) {
        base = qint64(be64(tfhd, at));
        at += 8;
    }
    at += (flags & 0x02) ? 4 : 0;
    at += (flags & 0x08) ? 4 : 0;
    uint32_t sampleSize = f.track->defaultSampleSize;
    if (flags & 0x10)
        sampleSize = be32(tfhd, at);
    forEachBox(traf, [&](const Box &b) {
        if (b.type == "trun")
            readRun(f, b.body, sampleSize, base);
    });
}

} // namespace

QByteArray mp4FragmentsToAdts(QByteArrayView segment, const Mp4AudioTrack &track)
{
    QByteArray out;
    if (!track.valid)
        return out;
    forEachBox(segment, [&](const Box &b) {
        if (b.type != "moof")
            return;
        const Fragment f{segment, b.offset, &track, &out};
        forEachBox(b.body, [&](const Box &t) {
            if (t.type == "traf")
                readTraf(f, t.body);
        });
    });
    return out;
}
