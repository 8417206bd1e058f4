#include "ConfigValues.h"

#include "TextCodec.h"

#include <climits>

namespace ConfigValues {

bool parseBool(const QString &value, bool *ok)
{
    const QString lower = value.toLower();
    *ok = true;
    if (lower == QLatin1String("true") || lower == QLatin1String("yes") ||
        value == QLatin1String("1"))
        return true;
    if (lower == QLatin1String("false") || lower == QLatin1String("no") ||
        value == QLatin1String("0"))
        return false;
    *ok = false;
    return false;
}

// Qt's conversion stops at a NUL character; such a text is not a number.
static bool hasNul(const QString &value)
{
    return value.contains(QChar(0));
}

int parseInt(const QString &value)
{
    if (hasNul(value))
        return 0;
    bool ok = false;
    const int v = value.toInt(&ok, 10);
    return ok ? v : 0;
}

long parseLong(const QString &value)
{
    if (hasNul(value))
        return 0;
    bool ok = false;
    const long v = value.toLong(&ok, 10);
    return ok ? v : 0;
}

unsigned parseKbSize(const QString &value)
{
    const int kb = parseInt(value);
    if (kb < 0 || kb > INT_MAX / 1024)
        return 0;
    return unsigned(kb) * 1024u;
}

int parseProxyType(const QString &value)
{
    const QString lower = value.toLower();
    if (lower == QLatin1String("socks4"))
        return 1;
    if (lower == QLatin1String("socks4a"))
        return 2;
    if (lower == QLatin1String("socks5"))
        return 3;
    return 0;
}

QString proxyTypeName(int type)
{
    switch (type) {
    case 1: return QStringLiteral("socks4");
    case 2: return QStringLiteral("socks4a");
    case 3: return QStringLiteral("socks5");
    default: return QStringLiteral("http");
    }
}

QStringList parsePortList(const QString &value)
{
    const QStringList pieces = value.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const QString &p : pieces) {
        for (QChar c : p)
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return {};
        bool ok = false;
        const int port = p.toInt(&ok);
        if (!ok || port < 1 || port > 65535)
            return {};
    }
    return pieces;
}

QStringList parseSearchList(const QString &value)
{
    // Blanks around a search are not part of it, and would not survive
    // being written back as the first or last entry of the line.
    QStringList entries;
    for (const QString &piece : value.split(QLatin1Char('|'), Qt::SkipEmptyParts)) {
        const QString entry = piece.trimmed();
        if (!entry.isEmpty())
            entries += entry;
    }
    return entries;
}

QString decodeLine(const QByteArray &bytes)
{
    return wavelark::decodeUtf8OrLatin1(bytes);
}

} // namespace ConfigValues
