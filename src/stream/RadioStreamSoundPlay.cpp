// The event-sound player: playing one file through a decoder module.
#include "RadioStreamSound.h"

#include "AudioDevice.h"
#include "DecoderRegistry.h"
#include "stream.h"

#include <QFile>

#include <array>
#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <unistd.h>

namespace {

// Bytes read from a sound file at a time.
constexpr size_t kReadSize = 8192;

std::optional<SoundFormat> formatOf(const std::optional<DecoderInfoSnapshot> &snapshot)
{
    const DecoderInfo *info = snapshot ? snapshot->get() : nullptr;
    if (!info || !(info->flags & WAVELARK_INFO_FORMAT_VALID))
        return std::nullopt;
    return SoundFormat{int(info->channels), int(info->rate), int(info->format)};
}

} // namespace

// True when the file was played (from a decoder that took it, however the
// play ended); false when no module takes it or it cannot be opened.
bool RadioStreamSound::playFile(const QString &file)
{
    DecoderModulePtr module = decoders_.probeFile(file, false).module;
    if (!module)
        return false;
    const int fd = ::open(QFile::encodeName(file).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        decoders_.release(module);
        return false;
    }
    format_ = SoundFormat{};
    feedAndDecode(*module, fd);
    ::close(fd);
    decoders_.release(module);
    if (running() && !paused_)
        device_.flush(true);
    restoreStreamFormat();
    return true;
}

void RadioStreamSound::feedAndDecode(DecoderModule &module, int fd)
{
    std::array<unsigned char, kReadSize> buffer;
    while (running()) {
        ssize_t n;
        do {
            n = ::read(fd, buffer.data(), buffer.size());
        } while (n < 0 && errno == EINTR);
        if (n <= 0)
            return;
        if (decoders_.feed(module, buffer.data(), int(n)) != 0)
            return;
        if (decodeAvailable(module))
            return;
        if (running())
            sleepMs(decodeInterval_.load());
    }
}

// Decodes what the module holds and writes it to the device. True when this
// play ended early: a pause of an interruptible sound, a failed reopen after
// a pause, a decoder error.
bool RadioStreamSound::decodeAvailable(DecoderModule &module)
{
    int result;
    do {
        if (!running())
            return false;
        const unsigned char *pcm = nullptr;
        int length = 0;
        std::optional<SoundFormat> format;
        result = decoders_.decodeFrame(module, &pcm, &length);
        if (result == 1)
            format = formatOf(decoders_.info(module));
        if (format) {
            format_ = *format;
            applyFormat();
        }
        if (length > 0 && pcm) {
            if (!writeFrame(reinterpret_cast<const char *>(pcm), size_t(length)))
                return true;
        } else if (result == 0) {
            return false;
        }
    } while (result == 0 || result == 1);
    return result == -1;
}

// Writes one frame unless a pause comes first. The pause flag is checked and
// the frame written under the player's lock, which the pause takes before
// the device is closed, so no frame goes to a closed device. False when this
// play ended instead.
bool RadioStreamSound::writeFrame(const char *pcm, size_t length)
{
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (!running())
                return true; // stopped: the caller's next check ends the play
            if (!paused_) {
                device_.write(pcm, length);
                return true;
            }
        }
        if (interruptible_ || !waitOutPause())
            return false;
    }
}

// A sound that must be heard, paused: gives the device up until the pause
// ends, then takes it again. False when it cannot be reopened.
bool RadioStreamSound::waitOutPause()
{
    dropDevice();
    for (;;) {
        while (paused_ && running())
            sleepMs(150);
        if (!running())
            return true; // stopped: the caller sees it
        if (takeDevice()) {
            setSoundVolume();
            applyFormat();
            return true;
        }
        if (!paused_)
            return false;
    }
}

void RadioStreamSound::applyFormat()
{
    if (format_.rate > 0)
        device_.setFormat(format_.channels, format_.rate, format_.format);
}

void RadioStreamSound::restoreStreamFormat()
{
    if (const std::optional<SoundFormat> format = formatOf(decoders_.streamInfo()))
        device_.setFormat(format->channels, format->rate, format->format);
}
