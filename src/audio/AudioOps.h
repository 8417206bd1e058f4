#pragma once

// The sound-device operations table shared by the stream engine and the
// event-sound player.
//
// Threads and locks: every operation is called by the stream engine with its
// recursive audio lock held (from the GUI thread, the decode thread or the
// event-sound thread). The operations take no locks themselves, so a caller
// that does not hold the audio lock must not call them. `openCount` is read
// and written only by the engine's openAudio/closeAudio, also under the audio
// lock: the table itself never changes it.

#include <cstddef>
#include <cstdint>
#include <sys/types.h>

// One row of the table filled by `enumerate`: three 32-bit ints.
struct AudioFormatEntry
{
    int32_t format;      // AFMT_ code (WAVELARK_AFMT_* in wavelark/decoder.h)
    int32_t channelMask; // 1 mono only, 2 stereo only, 3 both
    int32_t rate;        // Hz
};
static_assert(sizeof(AudioFormatEntry) == 12, "three ints, handed to modules as int triples");

// The eight operations, in this order, then the open count and the user
// pointer. Every operation receives `userData`.
struct AudioOps
{
    // 0, or the errno value of the failed open (a message is on stderr).
    int (*open)(void *user);
    // 0, or -1 when the device was not open.
    int (*close)(void *user);
    // Level 0..100. 0, or -1 when the device refused it.
    int (*setVolume)(void *user, int level);
    // The level, or -1.
    int (*getVolume)(void *user);
    // Channels 1 or 2, rate in Hz, an AFMT_ code. Always 0; does nothing
    // while the device is closed.
    int (*setFormat)(void *user, int channels, int rate, int format);
    // Writes the whole buffer, retrying short writes and EINTR: the number of
    // bytes taken (count when all went out), or -1 with errno when nothing
    // could be written.
    ssize_t (*write)(void *user, const void *data, size_t count);
    // wait = true: returns once everything written has been played;
    // false: starts playing what is queued. The result of the request
    // (0, or -1 with errno, e.g. while closed).
    int (*flush)(void *user, bool wait);
    // Fills up to maxRows rows of `table` with the formats the open device
    // takes, probing formats and rates in probe order; returns the rows
    // filled. Leaves the device in an unspecified format: call setFormat
    // before playing. `ops` is the table itself.
    int (*enumerate)(void *user, AudioFormatEntry *table, int maxRows, AudioOps *ops);

    // Users of the open device; maintained by the engine under its audio lock.
    int openCount = 0;
    // The backend object behind the operations (owned by the audio library).
    void *userData = nullptr;
    // Optional, beside the eight: names the song now playing (UTF-8) for an
    // output that shows it; null when the output has no use for it. Called
    // under the audio lock like the others.
    void (*setTitle)(void *user, const char *title) = nullptr;
};

namespace wavelark {

class AudioBackend;

// Points the eight operations at `backend`; openCount 0, userData = backend.
void fillAudioOps(AudioOps &ops, AudioBackend &backend);

} // namespace wavelark

// The process's table, filled on the first call (a static guard makes this
// happen once, thread-safely) with the backend chosen by the environment
// variable WAVELARK_AUDIO. Never null; lives until the process ends.
AudioOps *sharedAudioOps();
