// Picking the audio out of MPEG transport stream packets.
#include "TsDemuxer.h"

#include "ByteViews.h"

#include "Id3Frames.h"

#include <cstdint>

namespace {

constexpr qsizetype kPacket = 188;
constexpr int kNoPid = -1;

struct Packet
{
    bool unitStart = false;
    int pid = 0;
    QByteArrayView payload;
};

// Nothing when the packet has no payload or a malformed adaptation field.
bool readPacket(QByteArrayView p, Packet &out)
{
    const auto b = [&p](qsizetype i) { return uint8_t(p[i]); };
    out.unitStart = (b(1) & 0x40) != 0;
    out.pid = ((b(1) & 0x1f) << 8) | b(2);
    const int control = (b(3) >> 4) & 3;
    qsizetype start = 4;
    if (control & 2)
        start = 5 + b(4);
    if (!(control & 1) || start > kPacket)
        return false;
    out.payload = midView(p, start);
    return true;
}

// A table section of one packet (program tables fit in one): the bytes after
// the pointer field, up to the CRC. Empty when malformed.
QByteArrayView section(const Packet &packet)
{
    if (!packet.unitStart || packet.payload.isEmpty())
        return {};
    const qsizetype at = 1 + uint8_t(packet.payload[0]);
    const QByteArrayView s = midView(packet.payload, std::min(at, packet.payload.size()));
    if (s.size() < 8)
        return {};
    const qsizetype length = ((uint8_t(s[1]) & 0x0f) << 8) | uint8_t(s[2]);
    if (length < 9 || 3 + length > s.size())
        return {};
    return s.first(3 + length - 4);
}

int pmtPid(const Packet &packet)
{
    const QByteArrayView s = section(packet);
    for (qsizetype i = 8; i + 4 <= s.size(); i += 4) {
        const int program = (uint8_t(s[i]) << 8) | uint8_t(s[i + 1]);
        if (program != 0)
            return ((uint8_t(s[i + 2]) & 0x1f) << 8) | uint8_t(s[i + 3]);
    }
    return kNoPid;
}

struct Streams
{
    int audio = kNoPid;
    TsAudio::Codec codec = TsAudio::Codec::Unknown;
    int id3 = kNoPid;
};

Streams readPmt(const Packet &packet)
{
    Streams found;
    const QByteArrayView s = section(packet);
    if (s.size() < 12)
        return found;
    const qsizetype infoLength = ((uint8_t(s[10]) & 0x0f) << 8) | uint8_t(s[11]);
    for (qsizetype i = 12 + infoLength; i + 5 <= s.size();) {
        const int type = uint8_t(s[i]);
        const int pid = ((uint8_t(s[i + 1]) & 0x1f) << 8) | uint8_t(s[i + 2]);
        const qsizetype esInfo = ((uint8_t(s[i + 3]) & 0x0f) << 8) | uint8_t(s[i + 4]);
        const bool adts = type == 0x0f, mpeg = type == 0x03 || type == 0x04;
        if ((adts || mpeg) && found.audio == kNoPid) {
            found.audio = pid;
            found.codec = adts ? TsAudio::Codec::Adts : TsAudio::Codec::Mpeg;
        } else if (type == 0x15 && found.id3 == kNoPid) {
            found.id3 = pid;
        }
        i += 5 + esInfo;
    }
    return found;
}

// The payload of a packet that starts a PES packet, after the PES header.
QByteArrayView pesPayload(QByteArrayView payload)
{
    if (payload.size() < 9 || payload[0] != 0 || payload[1] != 0 || payload[2] != 1)
        return {};
    const qsizetype start = 9 + uint8_t(payload[8]);
    return midView(payload, std::min(start, payload.size()));
}

class Demux
{
public:
    explicit Demux(TsAudio &out) : out_(out) {}

    void take(const Packet &packet)
    {
        if (packet.pid == 0 && pmt_ == kNoPid)
            pmt_ = pmtPid(packet);
        else if (packet.pid == pmt_ && streams_.audio == kNoPid)
            streams_ = readPmt(packet);
        else if (packet.pid == streams_.audio && streams_.audio != kNoPid)
            takeAudio(packet);
        else if (packet.pid == streams_.id3 && streams_.id3 != kNoPid)
            takeId3(packet);
    }
    void finish()
    {
        flushId3();
        out_.codec = streams_.codec;
    }

private:
    void takeAudio(const Packet &packet)
    {
        if (packet.unitStart) {
            inAudio_ = true;
            out_.audio.append(pesPayload(packet.payload));
        } else if (inAudio_) {
            out_.audio.append(packet.payload);
        }
    }
    void takeId3(const Packet &packet)
    {
        if (packet.unitStart) {
            flushId3();
            id3_ = pesPayload(packet.payload).toByteArray();
            id3Position_ = out_.audio.size();
        } else if (!id3_.isNull() && id3_.size() < (1 << 20)) {
            id3_.append(packet.payload);
        }
    }
    void flushId3()
    {
        const QString title = id3StreamTitle(id3_);
        if (!title.isEmpty())
            out_.titles.push_back({id3Position_, title});
        id3_ = QByteArray();
    }

    TsAudio &out_;
    int pmt_ = kNoPid;
    Streams streams_;
    bool inAudio_ = false;
    QByteArray id3_;
    qsizetype id3Position_ = 0; // the audio before the tag's PES packet began
};

} // namespace

bool isTransportStream(QByteArrayView bytes)
{
    return bytes.size() >= kPacket && bytes[0] == 0x47 &&
           (bytes.size() < 2 * kPacket || bytes[kPacket] == 0x47);
}

TsAudio demuxTransportStream(QByteArrayView bytes)
{
    TsAudio out;
    Demux demux(out);
    qsizetype at = 0;
    while (at + kPacket <= bytes.size()) {
        if (bytes[at] != 0x47) { // lost sync: find the next packet start
            ++at;
            continue;
        }
        Packet packet;
        if (readPacket(midView(bytes, at, kPacket), packet))
            demux.take(packet);
        at += kPacket;
    }
    demux.finish();
    return out;
}
