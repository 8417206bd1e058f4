#include "stream.h"

#include "AudioDevice.h"
#include "DecodeLoop.h"
#include "DecoderRegistry.h"
#include "EntrySource.h"
#include "HlsSession.h"
#include "RadioStreamSound.h"
#include "RadioStreamWorker.h"
#include "Recorder.h"
#include "StreamIntake.h"
#include "StreamTransfer.h"

#include <QCoreApplication>
#include <QDateTime>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/time.h>
#include <unistd.h>

RadioStream::RadioStream(QObject *receiver, AudioOps *ops, int verbosity)
    : receiver_(receiver), verbosity_(verbosity)
{
    struct timeval tv
    {};
    gettimeofday(&tv, nullptr);
    const long pid = long(getpid());
    srandom(unsigned((tv.tv_sec + tv.tv_usec) ^ (pid + pid * 32768)));

    connect(&readTimer_, &QTimer::timeout, this, &RadioStream::slotRead);
    connect(&fetchTimer_, &QTimer::timeout, this, &RadioStream::slotFetch);
    scanTimer_.setSingleShot(true);
    // Counts whole seconds: a coarse timer may fire up to 5 % early each time.
    scanTimer_.setTimerType(Qt::PreciseTimer);
    connect(&scanTimer_, &QTimer::timeout, this, &RadioStream::slotScanTimer);
    makeParts(ops);
    post(StreamStoppedEvent);

    // Learn the device's formats and the mixer level found at start.
    if (device_->open(false) != 0)
        return;
    device_->saveMixerLevel();
    device_->close(true);
}

RadioStream::~RadioStream()
{
    sound_->shutdown(); // its thread uses the device and the modules
    stop();
    abandonProbe();
    // With no stream playing, a fetch pass may still be inside libcurl;
    // the multi handle is only touched again once that pass has ended.
    waitForFetches();
    transfer_->removeStream();
    decoders_->releaseStream();
    device_->close(true);
}

void RadioStream::post(int type) const
{
    if (receiver_)
        postTo(receiver_, new QEvent(QEvent::Type(type)));
}

bool RadioStream::start()
{
    {
        std::lock_guard lock(playListMutex_);
        if (!cursor_.list() || cursor_.list()->isEmpty() || isPlaying())
            return false;
    }
    probeThread_->join();
    if (!initStream())
        return false;
    emit streamStart();
    intake_->setPlaying(true);
    readTimer_.start(settings_.readInterval);
    return true;
}

void RadioStream::stop()
{
    emit streamStop();
    if (isPlaying())
        stopSequence();
    else
        post(StreamStoppedEvent);
}

bool RadioStream::restart()
{
    restarting_ = true;
    stop();
    restarting_ = false;
    return start();
}

void RadioStream::stopSequence()
{
    readTimer_.stop();
    intake_->setPlaying(false);
    recordStop();
    const bool restarting = restarting_;
    if (!restarting)
        post(StreamStoppedEvent);
    readThread_->join();
    hls_.reset();
    decodeLoop_->join();
    probeThread_->join();
    emit streamBufferEmpty(false);
    if (!restarting)
        post(StreamStoppedEvent);
    restarting_ = false;
    transfer_->removeStream();
    {
        std::lock_guard lock(playListMutex_);
        streamItem_ = nullptr;
    }
    intake_->release();
    decoders_->releaseStream();
    device_->flush(false);
    device_->close(false);
    device_->resume();
}

void RadioStream::setPaused(bool paused)
{
    const bool was = flags_.paused;
    flags_.paused = paused;
    emit streamPaused(paused);
    if (paused) {
        decoders_->whileLocked([this] { device_->suspend(); });
        return;
    }
    // The event-sound player takes the device again for itself.
    if (!was || !isPlaying())
        return;
    // The playlist lock comes before the decoder lock; the decoder lock
    // keeps the module's information still while it is applied.
    std::lock_guard listLock(playListMutex_);
    decoders_->whileLocked([this] {
        const int err = device_->open(true);
        if (err != 0) {
            if (playing())
                playing()->error = QString::fromLocal8Bit(std::strerror(err));
            post(StreamErrorEvent);
            return;
        }
        applyStreamInfo(playing());
        // Frames are written again once the device has its format back.
        device_->resume();
    });
}

bool RadioStream::isLocal(Selection which)
{
    std::lock_guard lock(playListMutex_);
    return isLocalEntry(cursor_.selected(which));
}

bool isLocalEntry(const PlayListItem *item)
{
    if (!item)
        return true;
    const QString &url = item->url;
    for (const char *scheme : {"ftps://", "ftp://", "http://", "https://"})
        if (url.startsWith(QLatin1String(scheme), Qt::CaseSensitive))
            return false;
    return url.startsWith(QLatin1String("file://"), Qt::CaseSensitive);
}

unsigned RadioStream::holdBufferFill() const
{
    return unsigned(intake_->fill());
}
