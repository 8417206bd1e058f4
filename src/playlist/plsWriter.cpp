#include "plsWriter.h"

#include "playListText.h"

#include <QFile>
#include <QFileInfo>

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

QByteArray plsText(const RadioPlayList::Items &items)
{
    QByteArray out;
    out += "[playlist]\n";
    out += "numberofentries=" + QByteArray::number(qsizetype(items.size())) + '\n';
    int n = 0;
    for (const auto &item : items) {
        const QByteArray num = QByteArray::number(++n);
        out += encodePlayListLine(QLatin1String("File") + QLatin1String(num) + u'=' + item->url);
        out += '\n';
        // An absent stream title reads as empty, whether null or "".
        const QString *title = !item->streamTitle.isEmpty() ? &item->streamTitle
            : item->title != item->url                      ? &item->title
                                                            : nullptr;
        if (title) {
            out += encodePlayListLine(QLatin1String("Title") + QLatin1String(num) + u'=' + *title);
            out += '\n';
        }
        out += "Length" + num + "=-1\n";
    }
    out += "Version=2\n";
    return out;
}

namespace {

// Writes all bytes, across short writes and interruptions; 0 or errno.
int writeAll(int fd, const char *data, qsizetype size)
{
    while (size > 0) {
        const ssize_t done = ::write(fd, data, size_t(size));
        if (done < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        data += done;
        size -= done;
    }
    return 0;
}

// Creates a new file beside `native` for writing; the name is unique, and the
// mode is 0666 less the umask, as for any new file.
int createTemp(const QByteArray &native, QByteArray &temp)
{
    static std::atomic<unsigned> serial{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp = native + ".tmp-" + QByteArray::number(::getpid()) + '-'
            + QByteArray::number(serial.fetch_add(1));
        const int fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

} // namespace

int replaceFile(const QString &path, const QByteArray &bytes)
{
    // Write through a symbolic link to the file it names, keeping the link.
    const QString canonical = QFileInfo(path).canonicalFilePath();
    const QByteArray native = QFile::encodeName(canonical.isEmpty() ? path : canonical);

    QByteArray temp;
    const int fd = createTemp(native, temp);
    if (fd < 0)
        return errno;
    int err = 0;
    struct stat old;
    if (::stat(native.constData(), &old) == 0 && ::fchmod(fd, old.st_mode & 07777) != 0)
        err = errno;
    if (!err)
        err = writeAll(fd, bytes.constData(), bytes.size());
    if (!err && ::fsync(fd) != 0)
        err = errno;
    if (::close(fd) != 0 && !err)
        err = errno;
    if (!err && ::rename(temp.constData(), native.constData()) != 0)
        err = errno;
    if (err)
        ::unlink(temp.constData());
    return err;
}
