#include "PlayListText.h"

#include "TextCodec.h"

#include <algorithm>
#include <cstring>

QString decodePlayListLine(QByteArrayView bytes)
{
    if (wavelark::isAscii(bytes) || !wavelark::isValidUtf8(bytes))
        return QString::fromLatin1(bytes.data(), bytes.size());
    return QString::fromUtf8(bytes.data(), bytes.size());
}

QByteArray encodePlayListLine(const QString &text)
{
    bool latin1 = true;
    for (QChar ch : text)
        if (ch.unicode() > 0xFF) {
            latin1 = false;
            break;
        }
    if (latin1) {
        QByteArray bytes = text.toLatin1();
        if (wavelark::isAscii(bytes) || !wavelark::isValidUtf8(bytes))
            return bytes;
    }
    return text.toUtf8();
}

qsizetype PlayListLines::nextOf(char c, qsizetype &found)
{
    if (found < pos_) {
        const qsizetype n = bytes_.size();
        const void *hit = std::memchr(bytes_.data() + pos_, c, size_t(n - pos_));
        found = hit ? static_cast<const char *>(hit) - bytes_.data() : n;
    }
    return found;
}

bool PlayListLines::next(QString &line)
{
    const qsizetype n = bytes_.size();
    if (pos_ >= n)
        return false;
    const char *data = bytes_.data();
    const qsizetype end = std::min(nextOf('\n', lf_), nextOf('\r', cr_));
    line = decodePlayListLine(bytes_.sliced(pos_, end - pos_));
    pos_ = end;
    if (pos_ < n)
        pos_ += (data[pos_] == '\r' && pos_ + 1 < n && data[pos_ + 1] == '\n') ? 2 : 1;
    return true;
}
