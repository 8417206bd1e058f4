#pragma once

// Reads back a RIFF/WAVE file written by the WAV backend, checking the
// structure independently of the writer.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

struct WavFile
{
    bool ok = false;
    QString problem;
    uint32_t riffSize = 0;
    uint16_t formatTag = 0;
    uint16_t channels = 0;
    uint32_t rate = 0;
    uint32_t byteRate = 0;
    uint16_t blockAlign = 0;
    uint16_t bits = 0;
    uint32_t dataSize = 0;
    QByteArray data;

    std::vector<int16_t> samples16() const
    {
        std::vector<int16_t> out;
        for (qsizetype i = 0; i + 1 < data.size(); i += 2)
            out.push_back(static_cast<int16_t>(static_cast<uint8_t>(data[i]) |
                                               (static_cast<uint8_t>(data[i + 1]) << 8)));
        return out;
    }
    std::vector<uint8_t> samples8() const { return {data.begin(), data.end()}; }
};

inline WavFile readWav(const QByteArray &bytes)
{
    WavFile w;
    auto u32 = [&](int at) {
        uint32_t v = 0;
        for (int i = 3; i >= 0; --i)
            v = (v << 8) | static_cast<uint8_t>(bytes[at + i]);
        return v;
    };
    auto u16 = [&](int at) {
        return static_cast<uint16_t>(static_cast<uint8_t>(bytes[at]) |
                                     (static_cast<uint8_t>(bytes[at + 1]) << 8));
    };
    if (bytes.size() < 44 || bytes.left(4) != "RIFF" || bytes.mid(8, 8) != "WAVEfmt " ||
        u32(16) != 16 || bytes.mid(36, 4) != "data") {
        w.problem = "not a 44-byte-header WAVE file";
        return w;
    }
    w.riffSize = u32(4);
    w.formatTag = u16(20);
    w.channels = u16(22);
    w.rate = u32(24);
    w.byteRate = u32(28);
    w.blockAlign = u16(32);
    w.bits = u16(34);
    w.dataSize = u32(40);
    const qsizetype padded = 44 + w.dataSize + (w.dataSize & 1);
    if (w.riffSize != padded - 8)
        w.problem = QString("RIFF size %1, file needs %2").arg(w.riffSize).arg(padded - 8);
    else if (bytes.size() != padded)
        w.problem = QString("file is %1 bytes, header says %2").arg(bytes.size()).arg(padded);
    else if (w.blockAlign != w.channels * w.bits / 8 || w.byteRate != w.rate * w.blockAlign)
        w.problem = "inconsistent block align or byte rate";
    w.data = bytes.mid(44, w.dataSize);
    w.ok = w.problem.isEmpty();
    return w;
}
