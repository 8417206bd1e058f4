#include "AudioOps.h"

#include "AudioBackend.h"
#include "AudioBackendChoice.h"

#include <cerrno>
#include <memory>

namespace wavelark {

namespace {

AudioBackend &backendOf(void *user)
{
    return *static_cast<AudioBackend *>(user);
}

int opOpen(void *user)
{
    return backendOf(user).open();
}
int opClose(void *user)
{
    return backendOf(user).close();
}
int opSetVolume(void *user, int level)
{
    return backendOf(user).setVolume(level);
}
int opGetVolume(void *user)
{
    return backendOf(user).getVolume();
}
int opSetFormat(void *user, int channels, int rate, int format)
{
    return backendOf(user).setFormat(channels, rate, format);
}
ssize_t opWrite(void *user, const void *data, size_t count)
{
    return writeAll(backendOf(user), data, count);
}
int opFlush(void *user, bool wait)
{
    return backendOf(user).flush(wait);
}
int opEnumerate(void *user, AudioFormatEntry *table, int maxRows, AudioOps *)
{
    if (!table || maxRows <= 0)
        return 0;
    return backendOf(user).enumerate(table, maxRows);
}

void opSetTitle(void *user, const char *title)
{
    backendOf(user).setTitle(title ? title : "");
}

// A driver that keeps answering EINTR without progress must not hang the
// decode thread with the audio lock held.
constexpr int kMaxInterruptsInARow = 1000;

} // namespace

ssize_t writeAll(AudioBackend &backend, const void *data, size_t count)
{
    if (count == 0)
        return 0;
    const std::span<const uint8_t> out =
        backend.prepare({static_cast<const uint8_t *>(data), count});
    if (out.empty())
        return static_cast<ssize_t>(count); // only a partial sample: nothing to play
    size_t done = 0;
    int interrupts = 0;
    while (done < out.size()) {
        const ssize_t n = backend.writeSome(out.data() + done, out.size() - done);
        if (n < 0 && errno == EINTR && ++interrupts < kMaxInterruptsInARow)
            continue;
        if (n <= 0) {
            if (done == 0)
                return n < 0 ? -1 : 0;
            break;
        }
        interrupts = 0;
        done += static_cast<size_t>(n);
    }
    if (done >= out.size())
        return static_cast<ssize_t>(count);
    // The prepared bytes may differ in size from the caller's (8-bit law to
    // 16-bit linear): report the caller's share.
    return static_cast<ssize_t>(static_cast<unsigned long long>(done) * count / out.size());
}

void fillAudioOps(AudioOps &ops, AudioBackend &backend)
{
    ops.open = opOpen;
    ops.close = opClose;
    ops.setVolume = opSetVolume;
    ops.getVolume = opGetVolume;
    ops.setFormat = opSetFormat;
    ops.write = opWrite;
    ops.flush = opFlush;
    ops.enumerate = opEnumerate;
    ops.openCount = 0;
    ops.userData = &backend;
    ops.setTitle = opSetTitle;
}

} // namespace wavelark

AudioOps *sharedAudioOps()
{
    // The backend lives as long as the process, like the table that points at it.
    static std::unique_ptr<wavelark::AudioBackend> backend;
    static AudioOps ops = [] {
        backend = wavelark::createAudioBackend(wavelark::audioBackendFromEnvironment());
        AudioOps filled;
        wavelark::fillAudioOps(filled, *backend);
        return filled;
    }();
    return &ops;
}
