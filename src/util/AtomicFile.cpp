#include "AtomicFile.h"

#include <QFile>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Every byte or an errno; short writes and EINTR are retried.
int writeAll(int fd, const char *data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (n == 0)
            return EIO;
        data += n;
        size -= size_t(n);
    }
    return 0;
}

QByteArray resolveLink(const QByteArray &path)
{
    char resolved[PATH_MAX];
    struct stat st
    {};
    if (::lstat(path.constData(), &st) == 0 && S_ISLNK(st.st_mode) &&
        ::realpath(path.constData(), resolved))
        return QByteArray(resolved);
    return path;
}

} // namespace

namespace {

// A new file beside `target` with a name of its own; its mode is 0666 less
// the umask.
int createTemp(const QByteArray &target, QByteArray &temp)
{
    static std::atomic<unsigned> serial{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp = target + ".tmp-" + QByteArray::number(::getpid()) + '-' +
               QByteArray::number(serial.fetch_add(1));
        const int fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

// mode < 0: keep the replaced file's mode, if there is one.
int replace(const QString &path, const QByteArray &bytes, long mode)
{
    const QByteArray target = resolveLink(QFile::encodeName(path));
    if (mode < 0) {
        struct stat old
        {};
        if (::stat(target.constData(), &old) == 0)
            mode = long(old.st_mode & 07777);
    }
    QByteArray temp;
    const int fd = createTemp(target, temp);
    if (fd < 0)
        return errno;
    int error = 0;
    if (mode >= 0 && ::fchmod(fd, mode_t(mode)) != 0)
        error = errno;
    if (!error)
        error = writeAll(fd, bytes.constData(), size_t(bytes.size()));
    if (!error && ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && !error)
        error = errno;
    if (!error && ::rename(temp.constData(), target.constData()) != 0)
        error = errno;
    if (error)
        ::unlink(temp.constData());
    return error;
}

} // namespace

int writeFileAtomically(const QString &path, const QByteArray &bytes, mode_t mode)
{
    return replace(path, bytes, long(mode));
}

int writeFileAtomically(const QString &path, const QByteArray &bytes)
{
    return replace(path, bytes, -1);
}
