#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <vector>

// The audio of an MPEG transport stream segment: the first audio stream of
// its program (ADTS AAC or MPEG audio) as one elementary stream, and the
// titles of its timed ID3 metadata stream. Video and other streams are
// dropped. Pure; a segment is read whole, as HTTP Live Streaming cuts them
// (each begins with its program tables).
struct TsAudio
{
    enum class Codec { Unknown, Adts, Mpeg };
    Codec codec = Codec::Unknown;
    QByteArray audio;
    // A title and the number of audio bytes that precede it.
    struct Title
    {
        qsizetype position;
        QString text;
    };
    std::vector<Title> titles;
};

// True when `bytes` look like a transport stream (sync bytes every 188).
bool isTransportStream(QByteArrayView bytes);

TsAudio demuxTransportStream(QByteArrayView bytes);
