#pragma once

#include "AudioOps.h"

#include <QString>

#include <array>
#include <atomic>
#include <functional>
#include <mutex>
#include <sys/types.h>

// The sound device as the stream and the event-sound player share it: the
// AudioOps table with its open count, the stream volume, the mixer level
// found at start and the formats the device supports. Every AudioOps call
// is made under the audio lock, which this part owns; it comes last in the
// engine's lock order, so a caller may hold any other engine lock.
//
// While an event sound owns the device, a volume set for the stream is only
// stored; `soundOwnsDevice` tells, and is read under the audio lock.
class AudioDevice
{
public:
    // ops may be null: a device that accepts everything and plays nothing.
    AudioDevice(AudioOps *ops, std::function<bool()> soundOwnsDevice);

    // Counts one more user; the first opens the device and learns its
    // formats. Then sets the volume: the mixer level found at start when
    // `streamVolume` is false and that level is not 0, else the stream
    // volume. 0 or the device's error number.
    int open(bool streamVolume);
    // Counts one user less; the last (or a forced close) closes the device,
    // giving the mixer back its level first.
    void close(bool force);
    // Reads the mixer level found at start (once, at construction).
    void saveMixerLevel();

    // The stream volume: stored, and applied unless an event sound owns the device.
    void setVolume(int level);
    int volume() const;
    // For the event-sound player: the sounds volume (never above the
    // stream's), and the stream volume given back, `then` still under the lock.
    void applySoundVolume(int soundsVolume);
    void restoreStreamVolume(const std::function<void()> &then);

    void setFormat(int channels, int rate, int format);
    // The song now playing, for an output that shows it (a sound server).
    void setTitle(const QString &title);
    ssize_t write(const char *data, size_t length);
    void flush(bool wait);

    // A pause closes the device (forced) and suspends writing until resume()
    // has reopened it and the stream's format is set again.
    void suspend();
    void resume();
    // Writes unless the device is suspended or `held` says so (both read
    // under the audio lock). False when nothing was written for that reason;
    // `written` is the device's answer otherwise.
    bool writeUnlessHeld(const char *data, size_t length, const std::atomic<bool> &held,
                         ssize_t &written);

    const AudioFormatEntry *formats() const { return formats_.data(); }
    int formatCount() const { return formatCount_; }

private:
    void applyVolume(int level);

    AudioOps *ops_;
    std::function<bool()> soundOwnsDevice_;
    mutable std::recursive_mutex mutex_; // the audio lock: everything below
    int streamVolume_ = 0;
    int savedMixerVolume_ = 0;
    bool suspended_ = false;
    std::array<AudioFormatEntry, 128> formats_{};
    int formatCount_ = 0; // filled at the first open, then read without the lock
};
