#pragma once

#include "DecoderModule.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>

class AudioDevice;

// The decoder modules: the search of the plug-in folder for a module that
// accepts some bytes, the probe of a file, and the module the stream decodes
// with. Every call into a module is made under the decoder lock, which this
// part owns; in the engine's lock order it comes after the playlist and
// hold-buffer locks and before the fetch, record and audio locks.
class DecoderRegistry
{
public:
    // The device's formats are handed to each module's openFeed.
    DecoderRegistry(int verbosity, const AudioDevice &device);
    ~DecoderRegistry();

    // ~/.wavelark/plugins, searched before the installed modules
    // (installedPluginDirectory()).
    static QString pluginDirectory();

    struct Found
    {
        DecoderModulePtr module;                 // with a fresh feed open; null when none accepted
        std::optional<DecoderInfoSnapshot> info; // what it said while accepting (wantInfo)
    };
    // Tries the modules in case-insensitive name order ("TRYING", "NO GOOD",
    // "USING MODULE" lines); the first that accepts wins. `abandon`, when set,
    // ends the search before the next module.
    Found find(const char *data, size_t length, bool wantInfo,
               const std::atomic<bool> *abandon = nullptr);
    // Searches the file's first bytes, a block more each time, up to 294,912.
    Found probeFile(const QString &path, bool wantInfo, const std::atomic<bool> *abandon = nullptr);
    void release(DecoderModulePtr &module);

    // Calls into a module that the caller owns (an event sound's).
    int feed(DecoderModule &module, const unsigned char *data, int length);
    int decodeFrame(DecoderModule &module, const unsigned char **pcm, int *length);
    std::optional<DecoderInfoSnapshot> info(DecoderModule &module);

    // The stream's module: one at most. `entry` is the playlist entry a probe
    // found it for (compared, never dereferenced), null when the stream did.
    // False when the stream has one already (the new one is released).
    bool install(DecoderModulePtr module, const void *entry);
    void releaseStream();
    // The stream changes its format after `fed` bytes (counted from the
    // install): from then on `next` decodes it, the old module is released.
    void followStreamAt(uint64_t fed, DecoderModulePtr next);
    // Releases the stream's module unless it was found for `entry`.
    void releaseStreamUnlessFor(const void *entry);
    bool hasStreamModule() const { return hasStream_; }
    // -1 when there is no stream module.
    int feedStream(const QByteArray &chunk);
    int decodeStreamFrame(const unsigned char **pcm, int *length);
    std::optional<DecoderInfoSnapshot> streamInfo();

    // Decode chunk size in bytes.
    void setOutBufSize(unsigned bytes);
    unsigned outBufSize() const;

    // Runs f under the decoder lock (the stream keeps a module's record still
    // while it pauses or applies it).
    template <typename F>
    void whileLocked(F &&f)
    {
        std::lock_guard lock(mutex_);
        f();
    }

private:
    const int verbosity_;
    const AudioDevice &device_;
    mutable std::recursive_mutex mutex_; // the decoder lock: everything below
    DecoderModulePtr stream_;
    const void *streamEntry_ = nullptr;
    DecoderModulePtr next_; // takes over from stream_ once switchAt_ bytes were fed
    uint64_t switchAt_ = 0;
    uint64_t fed_ = 0; // bytes fed to the stream's modules since the install
    unsigned outBufSize_ = 0x8000;
    std::atomic<bool> hasStream_{false}; // stream_ != null, for lock-free checks
};
