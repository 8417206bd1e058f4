#pragma once

#include "StreamFlags.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>

class AudioDevice;
class DecoderRegistry;
class RadioStreamDecodeThread;
class StreamIntake;

// The decode loop: from the read side's hold buffer through the stream's
// decoder module to the sound device, on a thread of its own, one run per
// stream start. It owns the initial wait, the refill rule and the pause
// between passes; what it learns for the entry goes out through the hooks,
// which it calls without a lock of its own.
class DecodeLoop
{
public:
    struct Hooks
    {
        std::function<void(int type)> post;
        // The data ended with a transfer error after its audio played.
        std::function<void(const QString &error)> fail;
        std::function<void(const QString &text)> showMetadata;
        std::function<void()> infoChanged; // the module reported new stream information
        std::function<void(bool empty)> bufferEmpty;
        std::function<int()> soundPlaying; // the event sound that owns the device, 0 when none
        std::function<bool()> remote;      // the stream's entry is a network stream
        std::function<int()> bitrate;      // kbit/s of the stream's entry, 0 when unknown
    };
    DecodeLoop(StreamFlags &flags, StreamIntake &intake, DecoderRegistry &decoders,
               AudioDevice &device, Hooks hooks);
    ~DecodeLoop();
    DecodeLoop(const DecodeLoop &) = delete;
    DecodeLoop &operator=(const DecodeLoop &) = delete;

    // Read by the loop's thread; set from the settings (GUI thread).
    void setTimings(int decodeIntervalMs, int decodeWaitSeconds, bool fillOnEmpty);

    // Starts a run unless one is active (GUI or read thread).
    void begin();
    bool active() const;
    // Waits until the run has returned.
    void join();

private:
    void run();
    void initialWait();
    size_t bufferTarget(int seconds) const;
    bool decodeStep(const QByteArray &chunk);
    bool writeFrame(const char *pcm, size_t length);
    bool waitWhileHeld();
    void refillRule();
    void pauseBetweenPasses();

    StreamFlags &flags_;
    StreamIntake &intake_;
    DecoderRegistry &decoders_;
    AudioDevice &device_;
    const Hooks hooks_;
    std::atomic<int> decodeInterval_{100};
    std::atomic<int> decodeWait_{0};
    std::atomic<bool> fillOnEmpty_{false};
    std::unique_ptr<RadioStreamDecodeThread> thread_;
};
