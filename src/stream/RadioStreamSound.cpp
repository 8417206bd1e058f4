// The event-sound player: its queue and its thread.
#include "RadioStreamSound.h"

#include "AudioDevice.h"
#include "DecoderRegistry.h"
#include "RadioStreamWorker.h"
#include "stream.h"

#include <QThread>

#include <algorithm>
#include <limits>

namespace {

// Ids for the whole process: 1, 2, 3 ..., never 0 (nor negative after a wrap).
int nextSoundId()
{
    static std::atomic<int> counter{0};
    for (;;) {
        int last = counter.load();
        const int id = last == std::numeric_limits<int>::max() ? 1 : last + 1;
        if (counter.compare_exchange_weak(last, id))
            return id;
    }
}

} // namespace

RadioStreamSound::RadioStreamSound(RadioStream *stream, AudioDevice &device,
                                   DecoderRegistry &decoders)
    : device_(device), decoders_(decoders),
      thread_(std::make_unique<RadioStreamWorker>([this] { run(); }))
{
    connect(stream, &RadioStream::streamPaused, this, &RadioStreamSound::slotStreamPaused,
            Qt::DirectConnection);
}

void RadioStreamSound::setTimings(int decodeIntervalMs, int soundsVolume)
{
    decodeInterval_ = decodeIntervalMs;
    soundsVolume_ = soundsVolume;
}

RadioStreamSound::~RadioStreamSound()
{
    shutdown();
}

int RadioStreamSound::play(const QString &file, bool interruptible, bool loop, int interval)
{
    if (file.isEmpty())
        return 0;
    std::lock_guard lock(mutex_);
    if (paused_ || shutDown_)
        return 0;
    const int id = nextSoundId();
    queue_.push_back(std::make_unique<SoundRequest>(
        SoundRequest{file, interruptible, loop, std::max(0, interval), id}));
    if (queue_.front()->interruptible)
        running_ = false;
    if (!threadRunning_) {
        // A thread that has left its loop takes no lock any more: joining is short.
        thread_->join();
        threadRunning_ = true;
        thread_->begin();
    }
    return id;
}

void RadioStreamSound::stopCurrent()
{
    std::lock_guard lock(mutex_);
    running_ = false;
}

bool RadioStreamSound::isQueued(int id) const
{
    std::lock_guard lock(mutex_);
    return std::any_of(queue_.begin(), queue_.end(),
                       [id](const auto &request) { return request->id == id; });
}

void RadioStreamSound::shutdown()
{
    {
        std::lock_guard lock(mutex_);
        shutDown_ = true;
        queue_.clear();
        running_ = false;
    }
    thread_->join();
}

void RadioStreamSound::slotStreamPaused(bool paused)
{
    std::lock_guard lock(mutex_);
    if (paused && !paused_)
        ++pauseCount_;
    paused_ = paused;
}

void RadioStreamSound::run()
{
    for (;;) {
        const bool deviceOpened = playQueue();
        dropDevice();
        restoreVolume();
        std::lock_guard lock(mutex_);
        // A request queued while the device was being given back is played
        // now rather than waiting for the next play().
        if (!deviceOpened || queue_.empty() || shutDown_) {
            running_ = false;
            threadRunning_ = false;
            return;
        }
    }
}

// Plays the queue until it is empty. False when the device could not be
// opened; the queue is left as it is then.
bool RadioStreamSound::playQueue()
{
    std::unique_lock lock(mutex_);
    while (!queue_.empty() && !shutDown_) {
        const SoundRequest request = *queue_.front();
        running_ = true;
        currentId_.store(request.id, std::memory_order_release);
        lock.unlock();
        // While paused the device stays with whoever has it; playFile waits.
        if (!takeDevice() && !paused_)
            return false;
        setSoundVolume();
        interruptible_ = request.interruptible;
        const bool played = playFile(request.file);
        const bool again = played && request.loop && waitInterval(request.interval);
        lock.lock();
        if (!again)
            removeHead();
    }
    return true;
}

// The pause between two plays of a looping sound: true when it ran out,
// false when the sound was stopped meanwhile.
bool RadioStreamSound::waitInterval(int seconds)
{
    const int step = std::max(1, decodeInterval_.load());
    const qint64 total = qint64(seconds) * 1000;
    qint64 waited = 0;
    do {
        if (!running())
            return false;
        sleepMs(step);
        waited += step;
    } while (waited < total);
    return running();
}

// Caller holds mutex_. Removes the request just played; when a sound that
// must be heard is waiting, interruptible ones ahead of it are dropped.
void RadioStreamSound::removeHead()
{
    if (queue_.empty())
        return;
    queue_.pop_front();
    const bool firmWaiting = std::any_of(
        queue_.begin(), queue_.end(), [](const auto &request) { return !request->interruptible; });
    while (firmWaiting && queue_.size() >= 2 && queue_.front()->interruptible)
        queue_.pop_front();
}

// Gives the mixer back to the stream. Under the audio lock, so that a
// stream volume set meanwhile is either stored before or applied after.
void RadioStreamSound::restoreVolume()
{
    device_.restoreStreamVolume([this] { currentId_.store(0, std::memory_order_release); });
}

void RadioStreamSound::setSoundVolume()
{
    device_.applySoundVolume(soundsVolume_.load());
}

bool RadioStreamSound::takeDevice()
{
    std::lock_guard lock(mutex_);
    if (deviceHeld_ && deviceHeldSince_ == pauseCount_)
        return true;
    deviceHeld_ = false;
    if (paused_ || device_.open(false) != 0)
        return false;
    deviceHeld_ = true;
    deviceHeldSince_ = pauseCount_;
    return true;
}

void RadioStreamSound::dropDevice()
{
    std::lock_guard lock(mutex_);
    // After a pause the forced close has already taken the reference.
    if (deviceHeld_ && deviceHeldSince_ == pauseCount_)
        device_.close(false);
    deviceHeld_ = false;
}

void RadioStreamSound::sleepMs(int ms) const
{
    QThread::msleep(unsigned(std::max(0, ms)));
}
