// Reading playlists into a RadioPlayList: the thin I/O layer around the pure
// parsers of PlayListParser.
#include "PlayListLoad.h"
#include "PlayListParser.h"
#include "RadioPlayList.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <utility>

namespace {

// Playlist text is read up to this much: far beyond any real playlist (100,000
// entries take about 10 MB), and short of exhausting memory on a device file.
constexpr qint64 kMaxStreamedBytes = qint64(256) << 20;

bool startsWithCi(const QString &text, QLatin1StringView prefix)
{
    return text.startsWith(prefix, Qt::CaseInsensitive);
}

bool isRemote(const QString &location)
{
    return startsWithCi(location, QLatin1StringView("http://")) ||
           startsWithCi(location, QLatin1StringView("https://")) ||
           startsWithCi(location, QLatin1StringView("ftp://")) ||
           startsWithCi(location, QLatin1StringView("ftps://"));
}

void printError(const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
}

QString canonicalPath(const QString &path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
}

QByteArray readBounded(QIODevice &device)
{
    if (!device.isSequential())
        return device.read(std::min(device.size() - device.pos(), kMaxStreamedBytes));
    QByteArray text;
    char chunk[64 * 1024];
    qint64 got;
    while (text.size() < kMaxStreamedBytes &&
           (got = device.read(chunk,
                              std::min<qint64>(sizeof chunk, kMaxStreamedBytes - text.size()))) > 0)
        text.append(chunk, got);
    return text;
}

} // namespace

void RadioPlayList::addEntry(PlayListLoad &load, const QString &url, const QString &title)
{
    if (load.clearPending) {
        load.clearPending = false;
        clear();
        reserve(load.batch);
    }
    add(url, title);
}

void RadioPlayList::addLocations(const QStringList &locations, bool recursive)
{
    for (const QString &location : locations) {
        if (!QFileInfo(location).isDir()) {
            addLocation(location, false);
            continue;
        }
        // Hidden files and folders (settings, thumbnails, caches) are not audio.
        const QFileInfoList entries = QDir(location).entryInfoList(
            QDir::Dirs | QDir::Files | QDir::Drives | QDir::NoDotAndDotDot,
            QDir::Name | QDir::IgnoreCase);
        for (const QFileInfo &entry : entries) {
            const QString path = location.endsWith('/') ? location + entry.fileName()
                                                        : location + '/' + entry.fileName();
            if (!entry.isDir())
                addLocation(path, false);
            else if (recursive)
                addLocations({path}, true);
        }
    }
}

bool RadioPlayList::addLocation(const QString &location, bool clearFirst)
{
    PlayListLoad load;
    const bool playlist =
        !isRemote(location) && (location.right(4).toLower() == QLatin1String(".pls") ||
                                location.right(4).toLower() == QLatin1String(".m3u"));
    load.clearPending = playlist && clearFirst;
    return addLocationIn(load, location, QDir::currentPath());
}

bool RadioPlayList::addLocationIn(PlayListLoad &load, const QString &location,
                                  const QString &baseDir)
{
    if (isRemote(location)) {
        addEntry(load, location, location);
        return true;
    }
    const QString suffix = location.right(4).toLower();
    if (suffix == QLatin1String(".pls"))
        return openFileIn(load, location, PlayListFormat::Pls, baseDir);
    if (suffix == QLatin1String(".m3u"))
        return openFileIn(load, location, PlayListFormat::M3u, baseDir);

    QString url = location;
    if (!startsWithCi(location, QLatin1StringView("file://"))) {
        const QString path = QDir::cleanPath(QDir(baseDir).absoluteFilePath(location));
        if (QFileInfo(path).isDir())
            return false;
        url = QLatin1String("file://") + path;
    }
    const qsizetype slash = url.lastIndexOf(u'/');
    addEntry(load, url, slash < 0 ? url : url.mid(slash + 1));
    return true;
}

bool RadioPlayList::openFile(const QString &path, PlayListFormat format, bool clearFirst)
{
    PlayListLoad load;
    load.clearPending = clearFirst;
    return openFileIn(load, path, format, QDir::currentPath());
}

bool RadioPlayList::openFileIn(PlayListLoad &load, const QString &path, PlayListFormat format,
                               const QString &baseDir)
{
    QString local = path;
    if (startsWithCi(local, QLatin1StringView("file://")))
        local.remove(0, 7);
    local = QDir(baseDir).absoluteFilePath(local);

    QFile file(local);
    if (QFileInfo(local).isDir() || !file.open(QIODevice::ReadOnly)) {
        printError(path + QLatin1String(": ") + tr("could not open file for reading.") +
                   QLatin1Char('\n'));
        return false;
    }
    const QString key = canonicalPath(local);
    if (load.reading.contains(key)) {
        printError(path + QLatin1String(": ") + tr("playlist includes itself, skipped.") +
                   QLatin1Char('\n'));
        return false;
    }
    if (load.reading.size() >= PlayListLoad::kMaxDepth) {
        printError(path + QLatin1String(": ") + tr("playlists nested too deeply, skipped.") +
                   QLatin1Char('\n'));
        return false;
    }
    if (load.seen.contains(key))
        return true;
    load.seen.insert(key);

    const QByteArray text = readBounded(file);
    load.reading.append(key);
    parseIn(load, text, format, QFileInfo(key).absolutePath());
    load.reading.removeLast();
    return true;
}

bool RadioPlayList::openBuffer(const char *data, qsizetype length, PlayListFormat format)
{
    if (length < 0 || (!data && length > 0)) {
        printError(tr("Could not open buffer for reading, aborting.\n") + QLatin1Char('\n'));
        return false;
    }
    parse(QByteArrayView(data, length), format, true);
    return true;
}

void RadioPlayList::parse(QByteArrayView text, PlayListFormat format, bool clearFirst)
{
    PlayListLoad load;
    load.clearPending = clearFirst;
    parseIn(load, text, format, QDir::currentPath());
}

void RadioPlayList::parse(QIODevice &device, PlayListFormat format, bool clearFirst)
{
    const QByteArray text = readBounded(device);
    parse(QByteArrayView(text), format, clearFirst);
}

void RadioPlayList::parseIn(PlayListLoad &load, QByteArrayView text, PlayListFormat format,
                            const QString &baseDir)
{
    const std::vector<ParsedEntry> entries = parsePlayList(text, format);
    const int outer = std::exchange(load.batch, int(std::min<size_t>(entries.size(), INT_MAX)));
    reserve(load.batch);
    for (const ParsedEntry &entry : entries) {
        if (entry.kind == ParsedEntry::Kind::Entry)
            addEntry(load, entry.location, entry.title);
        else
            addLocationIn(load, entry.location, baseDir);
    }
    load.batch = outer;
}
