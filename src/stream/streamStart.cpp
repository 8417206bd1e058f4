// Preparing and opening the source of the playing entry.
#include "stream.h"

#include "AudioDevice.h"
#include "DecoderRegistry.h"
#include "EntrySource.h"
#include "StreamIntake.h"

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
    const int err = device_->open(false);
    if (err != 0) {
        // Not the entry's fault, so it is not marked bad; the window asks
        // takeDeviceError() to show why nothing plays.
        deviceError_ = err;
        if (playing())
            playing()->error =
                QCoreApplication::translate("RadioStream", "sound output could not be opened: %1")
                    .arg(QString::fromLocal8Bit(std::strerror(err)));
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
    // A module that a probe left for another entry must not decode this one.
    decoders_->releaseStreamUnlessFor(playing());
    scanCount_ = 0;
    flags_.skipWait = false;
    flags_.buffering = false;
    stopCode_ = StopCode::None;
    intake_->reset();
    post(StreamConnectingEvent);
    if (!playing())
        return true;
    if (isLocalEntry(playing()))
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
    if (fd < 0)
        return failOpen(item, QString::fromLocal8Bit(std::strerror(errno)));
    intake_->setLocalSource(fd);
    return true;
}

// The caller holds playListMutex_.
bool RadioStream::failOpen(PlayListItem *item, const QString &error)
{
    item->error = error;
    item->bad = true;
    item->played = true;
    stopCode_ = StopCode::SourceFailed;
    post(StreamErrorEvent);
    return false;
}
