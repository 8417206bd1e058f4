#include "SongHistory.h"

#include "AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// A field never holds the separators of the file.
QString oneLine(QString text)
{
    return text.replace(u'\t', u' ').replace(u'\n', u' ').replace(u'\r', u' ').trimmed();
}

} // namespace

QString SongHistory::defaultPath()
{
    return QDir::homePath() + QStringLiteral("/.wavelark/history");
}

SongHistory::SongHistory(const QString &path, int limit) : path_(path), limit_(limit)
{}

QString SongHistory::load()
{
    entries_.clear();
    QFile file(path_);
    if (!file.exists())
        return QString();
    if (!file.open(QIODevice::ReadOnly))
        return path_ + QStringLiteral(": ") + file.errorString();
    while (!file.atEnd() && entries_.size() < limit_) {
        QString line = QString::fromUtf8(file.readLine());
        while (line.endsWith(u'\n') || line.endsWith(u'\r'))
            line.chop(1);
        const QStringList fields = line.split(u'\t');
        if (fields.size() != 3)
            continue;
        const QDateTime time = QDateTime::fromString(fields[0], Qt::ISODate);
        if (!time.isValid() || fields[1].isEmpty())
            continue;
        entries_.append({time, fields[1], fields[2]});
    }
    return QString();
}

int SongHistory::add(const QString &title, const QString &station, const QDateTime &time)
{
    const QString song = oneLine(title);
    const QString where = oneLine(station);
    if (song.isEmpty())
        return 0;
    if (!entries_.isEmpty() && entries_.first().title == song && entries_.first().station == where)
        return 0;
    entries_.prepend({time, song, where});
    while (entries_.size() > limit_)
        entries_.removeLast();
    return save();
}

int SongHistory::clear()
{
    entries_.clear();
    return save();
}

QString SongHistory::describe(const HistoryEntry &entry)
{
    const QString time = entry.time.toString(QStringLiteral("yyyy-MM-dd hh:mm"));
    if (entry.station.isEmpty())
        return time + QStringLiteral("  ") + entry.title;
    return time + QStringLiteral("  ") + entry.title + QStringLiteral(" \u2014 ") + entry.station;
}

int SongHistory::save() const
{
    QByteArray out;
    for (const HistoryEntry &entry : entries_)
        out += (entry.time.toString(Qt::ISODate) + u'\t' + entry.title + u'\t' + entry.station)
                   .toUtf8() +
               '\n';
    QDir().mkpath(QFileInfo(path_).path());
    return writeFileAtomically(path_, out);
}
