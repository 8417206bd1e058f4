#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

// One song that played: when its title first played, the title and the
// station it played on.
struct HistoryEntry
{
    QDateTime time;
    QString title;
    QString station;
};

// Every stream title that played, newest first, kept across runs in a file
// of its own (~/.wavelark/history, one tab-separated line per song) and
// bounded: the oldest lines go once there are more than `limit`.
class SongHistory
{
public:
    static constexpr int kDefaultLimit = 1000;
    static QString defaultPath(); // ~/.wavelark/history

    explicit SongHistory(const QString &path, int limit = kDefaultLimit);

    // Reads the file; a line that is not an entry is skipped. Returns a
    // message when the file is there but cannot be read.
    QString load();
    // A title that plays: added and written unless it is the newest entry
    // already (the same title announced again). Returns the write's errno.
    int add(const QString &title, const QString &station,
            const QDateTime &time = QDateTime::currentDateTime());
    int clear();
    const QList<HistoryEntry> &entries() const { return entries_; }
    // "hh:mm  Title — Station", as the history window and the clipboard show it.
    static QString describe(const HistoryEntry &entry);

private:
    int save() const;

    QString path_;
    int limit_;
    QList<HistoryEntry> entries_;
};
