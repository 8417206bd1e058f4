#include "stream.h"

#include "EventHandOff.h"
#include "RadioStreamSound.h"
#include "streamThreads.h"

#include <QCoreApplication>
#include <QDateTime>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/time.h>
#include <unistd.h>

RadioStream::RadioStream(QObject *receiver, AudioOps *ops, int verbosity)
    : receiver_(receiver), verbosity_(verbosity),
      device_(ops, [this] { return soundPlaying() != 0; }), decoders_(verbosity, device_),
      transfer_([this](unsigned id, const QByteArray *chunk) { emit streamFetch(id, chunk); })
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
    decodeThread_ = std::make_unique<RadioStreamDecodeThread>([this] { decodeLoop(); });
    readThread_ = std::make_unique<RadioStreamReadThread>([this] { readPass(); });
    probeThread_ = std::make_unique<RadioStreamScanThread>([this] { probeRun(); });
    sound_ = std::make_unique<RadioStreamSound>(this, device_, decoders_);
    post(StreamStoppedEvent);

    // Learn the device's formats and the mixer level found at start.
    if (device_.open(false) != 0)
        return;
    device_.saveMixerLevel();
    device_.close(true);
}

RadioStream::~RadioStream()
{
    sound_->shutdown(); // its thread uses the device and the modules
    stop();
    abandonProbe();
    // With no stream playing, a fetch pass may still be inside libcurl;
    // the multi handle is only touched again once that pass has ended.
    waitForFetches();
    transfer_.removeStream();
    decoders_.releaseStream();
    device_.close(true);
}

void RadioStream::post(int type) const
{
    if (receiver_)
        postToReceiver(new QEvent(QEvent::Type(type)));
}

void RadioStream::postToReceiver(QEvent *event) const
{
    wavelark::handOffEvent(event);
    QCoreApplication::postEvent(receiver_, event);
}

bool RadioStream::start()
{
    {
        std::lock_guard lock(playListMutex_);
        if (!cursor_.list() || cursor_.list()->isEmpty() || isPlaying())
            return false;
    }
    waitForProbe();
    if (!initStream())
        return false;
    emit streamStart();
    {
        std::lock_guard lock(hold_.mutex);
        playing_ = true;
    }
    readTimer_.start(readInterval_);
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
    {
        std::lock_guard lock(hold_.mutex);
        readTimer_.stop();
        playing_ = false;
    }
    hold_.changed.notify_all();
    recordStop();
    const bool restarting = restarting_;
    if (!restarting)
        post(StreamStoppedEvent);
    readThread_->join();
    decodeThread_->join();
    waitForProbe();
    emit streamBufferEmpty(false);
    if (!restarting)
        post(StreamStoppedEvent);
    restarting_ = false;
    transfer_.removeStream();
    {
        std::lock_guard lock(playListMutex_);
        streamItem_ = nullptr;
    }
    {
        std::lock_guard lock(hold_.mutex);
        hold_.buffer.release();
        hold_.overflow = QByteArray();
        hold_.deferredError = QString();
        endOfData_ = false;
        resetIcy();
        if (hold_.localFd >= 0) {
            ::close(hold_.localFd);
            hold_.localFd = -1;
        }
    }
    decoders_.releaseStream();
    device_.flush(false);
    device_.close(false);
    device_.resume();
}

void RadioStream::setPaused(bool paused)
{
    const bool was = paused_;
    paused_ = paused;
    emit streamPaused(paused);
    if (paused) {
        decoders_.whileLocked([this] { device_.suspend(); });
        return;
    }
    // The event-sound player takes the device again for itself.
    if (!was || !isPlaying())
        return;
    // The playlist lock comes before the decoder lock; the decoder lock
    // keeps the module's information still while it is applied.
    std::lock_guard listLock(playListMutex_);
    decoders_.whileLocked([this] {
        const int err = device_.open(true);
        if (err != 0) {
            setItemError(QString::fromLocal8Bit(std::strerror(err)));
            post(StreamErrorEvent);
            return;
        }
        applyStreamInfo(playing());
        // Frames are written again once the device has its format back.
        device_.resume();
    });
}

bool RadioStream::isLocal(Selection which)
{
    std::lock_guard lock(playListMutex_);
    return isLocalItem(cursor_.selected(which));
}

bool RadioStream::isLocalItem(const PlayListItem *item) const
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
    std::lock_guard lock(hold_.mutex);
    return unsigned(hold_.buffer.fill());
}

void RadioStream::setItemError(const QString &text)
{
    std::lock_guard lock(playListMutex_);
    if (playing())
        playing()->error = text;
}

// Marks the playing entry played and bad, with `error` when setError.
void RadioStream::markPlayingBad(const QString &error, bool setError)
{
    std::lock_guard lock(playListMutex_);
    if (!playing())
        return;
    if (setError)
        playing()->error = error;
    playing()->played = true;
    playing()->bad = true;
}

void RadioStream::waitForDecodeThread()
{
    decodeThread_->join();
}
