// The engine's reference-counted use of the sound device.
#include "AudioDevice.h"

#include <algorithm>
#include <atomic>

AudioDevice::AudioDevice(AudioOps *ops, std::function<bool()> soundOwnsDevice)
    : ops_(ops), soundOwnsDevice_(std::move(soundOwnsDevice))
{}

int AudioDevice::open(bool streamVolume)
{
    std::lock_guard lock(mutex_);
    if (!ops_)
        return 0;
    if (ops_->openCount > 0) {
        ++ops_->openCount;
    } else {
        const int err = ops_->open(ops_->userData);
        if (err != 0)
            return err;
        ops_->openCount = 1;
        if (formatCount_ == 0)
            formatCount_ =
                ops_->enumerate(ops_->userData, formats_.data(), int(formats_.size()), ops_);
    }
    // Through setVolume: the mixer stays with an event sound that owns it.
    setVolume(!streamVolume && savedMixerVolume_ != 0 ? savedMixerVolume_ : streamVolume_);
    return 0;
}

void AudioDevice::close(bool force)
{
    std::lock_guard lock(mutex_);
    if (!ops_ || (!force && ops_->openCount <= 0))
        return;
    if (savedMixerVolume_ != 0 && (ops_->openCount == 1 || force))
        ops_->setVolume(ops_->userData, savedMixerVolume_);
    --ops_->openCount;
    if (ops_->openCount <= 0 || force) {
        const int rc = ops_->close(ops_->userData);
        if (force || rc != 0)
            ops_->openCount = 0;
    }
    if (ops_->openCount < 0)
        ops_->openCount = 0;
}

void AudioDevice::saveMixerLevel()
{
    std::lock_guard lock(mutex_);
    if (ops_ && ops_->getVolume)
        savedMixerVolume_ = ops_->getVolume(ops_->userData);
    if (savedMixerVolume_ < 0)
        savedMixerVolume_ = 0;
}

void AudioDevice::applyVolume(int level)
{
    streamVolume_ = level;
    if (ops_)
        ops_->setVolume(ops_->userData, level);
}

void AudioDevice::setVolume(int level)
{
    std::lock_guard lock(mutex_);
    if (!soundOwnsDevice_ || !soundOwnsDevice_())
        applyVolume(level);
    else
        streamVolume_ = level;
}

int AudioDevice::volume() const
{
    std::lock_guard lock(mutex_);
    return streamVolume_;
}

void AudioDevice::applySoundVolume(int soundsVolume)
{
    std::lock_guard lock(mutex_);
    if (ops_)
        ops_->setVolume(ops_->userData, std::min(soundsVolume, streamVolume_));
}

// Under the lock, so that a stream volume set meanwhile is either stored
// before or applied after.
void AudioDevice::restoreStreamVolume(const std::function<void()> &then)
{
    std::lock_guard lock(mutex_);
    if (ops_)
        ops_->setVolume(ops_->userData, streamVolume_);
    then();
}

void AudioDevice::setFormat(int channels, int rate, int format)
{
    std::lock_guard lock(mutex_);
    if (ops_)
        ops_->setFormat(ops_->userData, channels, rate, format);
}

ssize_t AudioDevice::write(const char *data, size_t length)
{
    std::lock_guard lock(mutex_);
    if (!ops_)
        return ssize_t(length);
    return ops_->write(ops_->userData, data, length);
}

void AudioDevice::flush(bool wait)
{
    std::lock_guard lock(mutex_);
    if (ops_)
        ops_->flush(ops_->userData, wait);
}

void AudioDevice::suspend()
{
    std::lock_guard lock(mutex_);
    suspended_ = true;
    close(true);
}

void AudioDevice::resume()
{
    std::lock_guard lock(mutex_);
    suspended_ = false;
}

bool AudioDevice::writeUnlessHeld(const char *data, size_t length, const std::atomic<bool> &held,
                                  ssize_t &written)
{
    std::lock_guard lock(mutex_);
    if (suspended_ || held)
        return false;
    written = write(data, length);
    return true;
}

void AudioDevice::setTitle(const QString &title)
{
    std::lock_guard lock(mutex_);
    if (ops_ && ops_->setTitle)
        ops_->setTitle(ops_->userData, title.toUtf8().constData());
}
