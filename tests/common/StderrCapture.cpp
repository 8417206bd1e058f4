#include "StderrCapture.h"

#include <QFile>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

StderrCapture::StderrCapture()
{
    if (!file_.open())
        return;
    std::fflush(stderr);
    // A description of its own, appending: reads through file_ never move
    // the offset that writers to standard error use.
    const int fd = ::open(QFile::encodeName(file_.fileName()).constData(), O_WRONLY | O_APPEND);
    if (fd < 0)
        return;
    saved_ = ::dup(2);
    ::dup2(fd, 2);
    ::close(fd);
}

StderrCapture::~StderrCapture()
{
    if (saved_ < 0)
        return;
    std::fflush(stderr);
    ::dup2(saved_, 2);
    ::close(saved_);
}

QByteArray StderrCapture::bytes()
{
    std::fflush(stderr);
    QByteArray out;
    char buffer[4096];
    off_t offset = 0;
    for (;;) {
        const ssize_t n = ::pread(file_.handle(), buffer, sizeof buffer, offset);
        if (n <= 0)
            break;
        out.append(buffer, qsizetype(n));
        offset += n;
    }
    return out;
}

QString StderrCapture::text()
{
    return QString::fromLocal8Bit(bytes());
}
