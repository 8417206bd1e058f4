// The decode thread: from the hold buffer through the decoder module to the
// sound device.
#include "stream.h"

#include "streamThreads.h"

#include <QThread>

#include <chrono>
#include <thread>

using namespace std::chrono_literals;

namespace {
// The longest the decode loop sleeps on an empty hold buffer between read
// passes: it also sees a change that came without one.
constexpr auto kIdleWaitBound = 1s;
// The initial wait looks at its deadline, the skip request and the event
// sound this often (and says it is buffering each time).
constexpr unsigned kInitialWaitPollMs = 500;
} // namespace

void RadioStream::decodeLoop()
{
    post(StreamProgressEvent);
    if (!paused_ && soundPlaying() == 0)
        device_.flush(true);
    initialWait();
    for (;;) {
        std::unique_lock lock(hold_.mutex);
        if (!isPlaying())
            return;
        if (!decoders_.hasStreamModule() || hold_.buffer.isEmpty()) {
            if (endOfData_) {
                hold_.decodeEnded = true;
                const QString error = std::exchange(hold_.deferredError, QString());
                lock.unlock();
                if (error.isNull())
                    post(StreamEndedEvent);
                else
                    failPlaying(error); // the transfer failed after this audio
                return;
            }
            lock.unlock();
            if (buffering_ && decoders_.hasStreamModule() && !decodeStep({}))
                endOfData_ = true;
        } else if (buffering_ || soundPlaying() != 0) {
            lock.unlock();
            if (buffering_ && !decodeStep({}))
                endOfData_ = true;
        } else {
            const size_t size = std::min<size_t>(hold_.buffer.fill(), outBufSize());
            const std::optional<QString> due = advanceMetadata(size);
            const QByteArray chunk = hold_.buffer.takeFront(size);
            lock.unlock();
            if (due)
                publishMetadata(*due);
            if (decodeStep(chunk))
                post(StreamProgressEvent);
            else
                endOfData_ = true;
        }
        refillRule();
        pauseBetweenPasses();
    }
}

// The loop's pause of decodeInterval. When the next pass would find
// nothing to decode, the loop sleeps on past it until a read pass has run,
// the data has ended or the stream has stopped, rather than waking every
// decodeInterval to find the hold buffer still empty. The bound only
// covers a change that comes without a read pass.
void RadioStream::pauseBetweenPasses()
{
    const auto pause = std::chrono::milliseconds(std::max(0, decodeInterval_.load()));
    const auto end = std::chrono::steady_clock::now() + pause;
    {
        std::unique_lock lock(hold_.mutex);
        const auto work = [this] {
            return !isPlaying() || endOfData_ || buffering_ ||
                   (decoders_.hasStreamModule() && !hold_.buffer.isEmpty());
        };
        if (!work())
            hold_.changed.wait_for(lock, std::max<std::chrono::milliseconds>(pause, kIdleWaitBound),
                                   work);
    }
    std::this_thread::sleep_until(end);
}

bool RadioStream::isRemotePlaying()
{
    auto lock = lockPlaylist();
    return streamEntry() && !isLocalItem(streamEntry());
}

void RadioStream::initialWait()
{
    const bool remote = isRemotePlaying();
    if (!(remote && decodeWait_ > 0) && soundPlaying() == 0)
        return;
    buffering_ = true;
    decodeWaitActive_ = remote;
    if (remote)
        decodeWaitUntil_ = std::chrono::steady_clock::now() + std::chrono::seconds(decodeWait_);
    for (;;) {
        const bool timerActive =
            decodeWaitActive_ && std::chrono::steady_clock::now() < decodeWaitUntil_;
        if (!isPlaying())
            break;
        if (soundPlaying() == 0 && (!timerActive || skipWait_))
            break;
        if (remote)
            emit streamBufferEmpty(timerActive && !skipWait_);
        QThread::msleep(kInitialWaitPollMs);
    }
    decodeWaitActive_ = false;
    buffering_ = false;
}

void RadioStream::refillRule()
{
    if (endOfData_ || holdBufferFill() != 0 || !fillOnEmpty_ || !isRemotePlaying())
        return;
    skipWait_ = false;
    buffering_ = true;
    emit streamBufferEmpty(true);
}

// Waits while an event sound plays, the stream is paused or refilling.
// False when the stream stopped meanwhile.
bool RadioStream::waitWhileHeld()
{
    while (soundPlaying() != 0 || paused_ || buffering_) {
        if (!isPlaying())
            return false;
        post(StreamProgressEvent);
        if (buffering_) {
            size_t fill, capacity;
            {
                std::lock_guard lock(hold_.mutex);
                fill = hold_.buffer.fill();
                capacity = hold_.buffer.capacity();
            }
            if (fill < capacity / 2 && !endOfData_ && !skipWait_) {
                if (!paused_)
                    emit streamBufferEmpty(true);
            } else {
                skipWait_ = false;
                buffering_ = false;
                emit streamBufferEmpty(false);
                if (!paused_ && soundPlaying() == 0)
                    break;
            }
        }
        QThread::msleep(unsigned(std::max(0, decodeInterval_.load())));
    }
    return true;
}

bool RadioStream::decodeStep(const QByteArray &chunk)
{
    bool fresh = !chunk.isEmpty();
    int result = 0;
    int length = 0;
    do {
        if (!waitWhileHeld())
            return false;
        const unsigned char *pcm = nullptr;
        length = 0;
        if (fresh) {
            fresh = false;
            if (decoders_.feedStream(chunk) != 0)
                return false;
        }
        result = decoders_.decodeStreamFrame(&pcm, &length);
        if (result == -1)
            return false;
        if (result == 1)
            applyToPlaying();
        if (length > 0 && pcm) {
            if (!writeFrame(reinterpret_cast<const char *>(pcm), size_t(length)))
                return false;
        } else if (length <= 0 && result == 0 && !paused_) {
            device_.flush(true);
            endOfData_ = true;
        }
    } while (result != 2 && result != -1 && !(result == 0 && length <= 0) && isPlaying());
    return true;
}

// Writes one decoded frame. A pause closes the device under the audio lock,
// so the device's state is read under it too; a frame that meets a pause is
// kept and written once the device is open with its format again. False
// when the device took less, or the stream stopped meanwhile.
bool RadioStream::writeFrame(const char *pcm, size_t length)
{
    for (;;) {
        ssize_t written = 0;
        if (device_.writeUnlessHeld(pcm, length, paused_, written))
            return written >= ssize_t(length);
        if (!waitWhileHeld())
            return false;
        if (!paused_) // un-pausing: the device is being opened again
            QThread::msleep(unsigned(std::max(1, decodeInterval_.load())));
    }
}

// The module reported new stream information.
void RadioStream::applyToPlaying()
{
    PlayListItem *item;
    {
        auto lock = lockPlaylist();
        item = streamEntry();
    }
    applyStreamInfo(item);
}
