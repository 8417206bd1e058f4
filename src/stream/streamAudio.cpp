// The engine's reference-counted use of the sound device.
#include "stream.h"

#include <cerrno>

int RadioStream::openAudio(bool streamVolume)
{
    std::lock_guard lock(audioMutex_);
    if (!audioOps_)
        return 0;
    if (audioOps_->openCount > 0) {
        ++audioOps_->openCount;
    } else {
        const int err = audioOps_->open(audioOps_->userData);
        if (err != 0)
            return err;
        audioOps_->openCount = 1;
        if (formatCount_ == 0)
            formatCount_ = audioOps_->enumerate(audioOps_->userData, formats_.data(),
                                                int(formats_.size()), audioOps_);
    }
    // Through setVolume: the mixer stays with an event sound that owns it.
    setVolume(!streamVolume && savedMixerVolume_ != 0 ? savedMixerVolume_ : streamVolume_);
    return 0;
}

void RadioStream::closeAudio(bool force)
{
    std::lock_guard lock(audioMutex_);
    if (!audioOps_ || (!force && audioOps_->openCount <= 0))
        return;
    if (savedMixerVolume_ != 0 && (audioOps_->openCount == 1 || force))
        audioOps_->setVolume(audioOps_->userData, savedMixerVolume_);
    --audioOps_->openCount;
    if (audioOps_->openCount <= 0 || force) {
        const int rc = audioOps_->close(audioOps_->userData);
        if (force || rc != 0)
            audioOps_->openCount = 0;
    }
    if (audioOps_->openCount < 0)
        audioOps_->openCount = 0;
}

// Stores the stream volume and hands it to the device.
void RadioStream::applyVolume(int level)
{
    std::lock_guard lock(audioMutex_);
    streamVolume_ = level;
    if (audioOps_)
        audioOps_->setVolume(audioOps_->userData, level);
}

void RadioStream::setVolume(int level)
{
    std::lock_guard lock(audioMutex_);
    if (soundPlaying() == 0) {
        applyVolume(level);
        return;
    }
    streamVolume_ = level;
}

int RadioStream::volume() const
{
    std::lock_guard lock(audioMutex_);
    return streamVolume_;
}

void RadioStream::deviceSetFormat(int channels, int rate, int format)
{
    std::lock_guard lock(audioMutex_);
    if (audioOps_)
        audioOps_->setFormat(audioOps_->userData, channels, rate, format);
}

ssize_t RadioStream::deviceWrite(const char *data, size_t length)
{
    std::lock_guard lock(audioMutex_);
    if (!audioOps_)
        return ssize_t(length);
    return audioOps_->write(audioOps_->userData, data, length);
}

void RadioStream::deviceFlush(bool wait)
{
    std::lock_guard lock(audioMutex_);
    if (audioOps_)
        audioOps_->flush(audioOps_->userData, wait);
}
