#include "GenreCache.h"

#include "AtomicFile.h"
#include "TextCodec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

QString genreCachePath()
{
    return QDir::homePath() + QStringLiteral("/.wavelark/genre.cache");
}

std::optional<QStringList> readGenreCacheLines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    QStringList lines;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0)
            end = bytes.size();
        QByteArrayView line = QByteArrayView(bytes).sliced(start, end - start);
        if (line.endsWith('\r'))
            line.chop(1);
        lines.append(wavelark::decodeUtf8OrLatin1(line));
        start = end + 1;
    }
    return lines;
}

bool writeGenreCacheLines(const QString &path, const QStringList &names)
{
    const QString folder = QFileInfo(path).absolutePath();
    if (!QFileInfo::exists(folder)) {
        if (!QDir().mkpath(folder))
            return false;
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    QByteArray bytes;
    for (const QString &name : names)
        bytes += name.toUtf8() + '\n';
    return writeFileAtomically(path, bytes, 0644) == 0;
}
