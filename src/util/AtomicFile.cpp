#include "AtomicFile.h"

#include <QFile>

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
    struct stat st {};
    if (::lstat(path.constData(), &st) == 0 && S_ISLNK(st.st_mode) &&
        ::realpath(path.constData(), resolved))
        return QByteArray(resolved);
    return path;
}

} // namespace

int writeFileAtomically(const QString &path, const QByteArray &bytes, mode_t mode)
{
    const QByteArray target = resolveLink(QFile::encodeName(path));
    QByteArray temp = target + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return errno;
    int error = 0;
    if (::fchmod(fd, mode) != 0)
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
