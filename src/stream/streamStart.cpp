// Preparing and opening the source of the playing entry.
#include "stream.h"

#include <QCoreApplication>
#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

bool RadioStream::initStream()
{
    std::fprintf(stderr, "initStream(): \n");
    std::unique_lock lock(playListMutex_);
    const int err = device_.open(false);
    if (err != 0) {
        if (playing())
            playing()->error = QString::fromLocal8Bit(std::strerror(err));
        lock.unlock();
        post(StreamErrorEvent);
        return false;
    }
    setVolume(volume());
    if (playing()) {
        playing()->error = QString();
        playing()->bad = false;
    }
    streamItem_ = playing();
    releaseForeignDecoder(playing());
    scanCount_ = 0;
    skipWait_ = false;
    buffering_ = false;
    stopCode_ = StopCode::None;
    {
        std::lock_guard bufferLock(holdBufferMutex_);
        endOfData_ = false;
        lastSniffFill_ = 0;
        contentCode_ = ContentNone;
        overflow_.clear();
        deferredError_ = QString();
        decodeEnded_ = false;
        resetIcy();
        holdBuffer_.release();
        holdBuffer_.resize(requestedInBufSize_);
    }
    post(StreamConnectingEvent);
    if (!playing())
        return true;
    if (isLocalItem(playing()))
        openLocalSource(playing());
    else
        openRemoteSource(playing());
    return true;
}

// A source that cannot be opened is reported at once, as the other open
// failures are, so that the receiver can tell the user or skip the entry.
bool RadioStream::openLocalSource(PlayListItem *item)
{
    const QString path = item->url.mid(7);
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        item->error = QString::fromLocal8Bit(std::strerror(errno));
        item->bad = true;
        item->played = true;
        std::lock_guard bufferLock(holdBufferMutex_);
        stopCode_ = StopCode::SourceFailed;
        post(StreamErrorEvent);
        return false;
    }
    std::lock_guard bufferLock(holdBufferMutex_);
    localFd_ = fd;
    return true;
}
