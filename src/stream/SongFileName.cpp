#include "SongFileName.h"

namespace {

// NAME_MAX is 255 bytes; " (999)" and the longest extension need the rest.
constexpr qsizetype kMaxBaseBytes = 200;

bool refused(QChar c)
{
    static const QString others = QStringLiteral("/\\:*?\"<>|");
    return c.unicode() < 0x20 || c.unicode() == 0x7f || others.contains(c);
}

} // namespace

QString songFileBase(const QString &title)
{
    QString name;
    name.reserve(title.size());
    for (const QChar c : title)
        name += refused(c) ? QChar(u'_') : c;
    name = name.simplified();
    while (name.startsWith(u'.') || name.startsWith(u' '))
        name.remove(0, 1);
    // Whole characters only: a surrogate pair is never split.
    qsizetype bytes = 0, keep = 0;
    for (qsizetype i = 0; i < name.size();) {
        const bool pair =
            name[i].isHighSurrogate() && i + 1 < name.size() && name[i + 1].isLowSurrogate();
        const char32_t u = pair ? QChar::surrogateToUcs4(name[i], name[i + 1]) : name[i].unicode();
        const int length = u < 0x80 ? 1 : u < 0x800 ? 2 : u < 0x10000 ? 3 : 4;
        if (bytes + length > kMaxBaseBytes)
            break;
        bytes += length;
        i += pair ? 2 : 1;
        keep = i;
    }
    name.truncate(keep);
    name = name.trimmed();
    return name.isEmpty() ? QStringLiteral("untitled") : name;
}

QString songFileName(const QString &base, const QString &extension, int n)
{
    const QString counter = n > 1 ? QStringLiteral(" (%1)").arg(n) : QString();
    return base + counter + QLatin1Char('.') + extension;
}
