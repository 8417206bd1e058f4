// The two text frames of an ID3v2 tag that name what plays.
#include "Id3Frames.h"

#include "ByteViews.h"

#include <QStringDecoder>

#include <algorithm>
#include <cstdint>

namespace {

uint32_t syncsafe(const unsigned char *p)
{
    return (uint32_t(p[0] & 0x7f) << 21) | (uint32_t(p[1] & 0x7f) << 14) |
           (uint32_t(p[2] & 0x7f) << 7) | uint32_t(p[3] & 0x7f);
}

uint32_t plain32(const unsigned char *p)
{
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

// A text frame's body: an encoding byte, then the text.
QString frameText(QByteArrayView body)
{
    if (body.isEmpty())
        return {};
    const char encoding = body[0];
    QByteArrayView text = midView(body, 1);
    QString s;
    if (encoding == 0) {
        s = QString::fromLatin1(text);
    } else if (encoding == 3) {
        s = QString::fromUtf8(text);
    } else {
        // 1: UTF-16 with a byte-order mark, 2: UTF-16BE without.
        auto order = QStringConverter::Utf16BE;
        if (encoding == 1 && text.size() >= 2 && uchar(text[0]) == 0xff && uchar(text[1]) == 0xfe)
            order = QStringConverter::Utf16LE;
        if (encoding == 1 && text.size() >= 2)
            text = midView(text, 2);
        QStringDecoder decode(order);
        s = decode(text);
    }
    const qsizetype zero = s.indexOf(QChar(0));
    return (zero >= 0 ? s.left(zero) : s).trimmed();
}

} // namespace

size_t id3TagLength(QByteArrayView bytes)
{
    if (bytes.size() < 10 || !bytes.startsWith("ID3") || uchar(bytes[3]) == 0xff)
        return 0;
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    const bool footer = (p[5] & 0x10) != 0;
    return 10 + size_t(syncsafe(p + 6)) + (footer ? 10 : 0);
}

QString id3StreamTitle(QByteArrayView tag)
{
    const size_t length = id3TagLength(tag);
    if (length == 0)
        return {};
    const auto *p = reinterpret_cast<const unsigned char *>(tag.data());
    const int version = p[3];
    size_t end = std::min<size_t>(length, size_t(tag.size()));
    size_t pos = 10;
    if (p[5] & 0x40 && end >= 14) // an extended header
        pos += version >= 4 ? syncsafe(p + 10) : plain32(p + 10) + 4;
    QString title, artist;
    while (pos + 10 <= end && p[pos] != 0) {
        const size_t size = version >= 4 ? syncsafe(p + pos + 4) : plain32(p + pos + 4);
        if (size > end - pos - 10)
            break;
        const QByteArrayView id = midView(tag, qsizetype(pos), 4);
        const QByteArrayView body = midView(tag, qsizetype(pos + 10), qsizetype(size));
        if (id == "TIT2")
            title = frameText(body);
        else if (id == "TPE1")
            artist = frameText(body);
        pos += 10 + size;
    }
    if (artist.isEmpty() || title.isEmpty())
        return title.isEmpty() ? (artist.isEmpty() ? QString() : artist) : title;
    return artist + QStringLiteral(" - ") + title;
}
