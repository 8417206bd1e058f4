#include "RecordFile.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

RecordFile::~RecordFile()
{
    close();
}

int RecordFile::open(const QString &path, size_t bufferSize, bool createNew)
{
    close();
    if (bufferSize == 0)
        return ENOMEM;
    std::unique_ptr<char, FreeDeleter> buffer(static_cast<char *>(std::malloc(bufferSize)));
    if (!buffer)
        return ENOMEM;
    fileName_ = path;
    const int mode = createNew ? O_EXCL : O_APPEND;
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | mode | O_CLOEXEC, 0644);
    if (fd < 0)
        return errno;
    fd_ = fd;
    buffer_ = std::move(buffer);
    capacity_ = size_ = bufferSize;
    fill_ = 0;
    lost_ = 0;
    failureReported_ = false;
    return 0;
}

void RecordFile::take(const char *data, size_t length, const std::function<void()> &flush)
{
    if (!isOpen() || length == 0)
        return;
    if (size_ < fill_ + length) {
        std::fprintf(stderr, "record buffer full, dumping: TOTAL=%zu, LEN=%zu\n", size_, length);
        flush();
    }
    if (length > room() && fill_ == 0) {
        // Larger than the whole buffer: nothing is held, so the order of the
        // bytes in the file is kept by writing it at once.
        const size_t written = writeSome(data, length);
        data += written;
        length -= written;
    }
    keep(data, length);
}

// Copies what fits; the rest is lost (writes are failing and memory is bounded).
void RecordFile::keep(const char *data, size_t length)
{
    const size_t n = std::min(length, room());
    if (n > 0)
        std::memcpy(buffer_.get() + fill_, data, n);
    fill_ += n;
    lost_ += length - n;
}

void RecordFile::writeOut()
{
    if (!isOpen() || fill_ == 0)
        return;
    const size_t written = writeSome(buffer_.get(), fill_);
    std::memmove(buffer_.get(), buffer_.get() + written, fill_ - written);
    fill_ -= written;
}

size_t RecordFile::writeSome(const char *data, size_t length)
{
    size_t done = 0;
    while (done < length) {
        const ssize_t n = ::write(fd_, data + done, length - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            // A write of 0 bytes makes no progress either; no errno tells why.
            reportFailure(n < 0 ? errno : 0);
            break;
        }
        done += size_t(n);
    }
    return done;
}

void RecordFile::reportFailure(int error)
{
    if (failureReported_)
        return;
    failureReported_ = true;
    const QByteArray path = QFile::encodeName(fileName_);
    std::fprintf(stderr, "%s: %s\n", path.constData(),
                 error != 0 ? std::strerror(error) : "no bytes written");
}

bool RecordFile::resize(size_t bufferSize)
{
    if (bufferSize == 0)
        return false;
    if (!isOpen())
        return true; // the next open() sizes the buffer
    const size_t wanted = std::max(bufferSize, fill_);
    if (wanted != capacity_) {
        char *grown = static_cast<char *>(std::realloc(buffer_.get(), wanted));
        if (!grown)
            return false;
        (void)buffer_.release();
        buffer_.reset(grown);
        capacity_ = wanted;
    }
    size_ = bufferSize;
    return true;
}

void RecordFile::close()
{
    if (isOpen()) {
        writeOut();
        struct stat st
        {};
        const bool empty = ::fstat(fd_, &st) == 0 && st.st_size == 0;
        ::close(fd_);
        fd_ = -1;
        if (empty)
            ::unlink(QFile::encodeName(fileName_).constData());
    }
    buffer_.reset();
    capacity_ = size_ = fill_ = 0;
}
