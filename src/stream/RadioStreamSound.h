#pragma once

#include "DecoderModule.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <deque>
#include <memory>
#include <mutex>

class AudioDevice;
class DecoderRegistry;
class RadioStream;
class RadioStreamWorker;

// An output format as the decoder modules report it; rate 0 = none.
struct SoundFormat
{
    int channels = 0, rate = 0, format = 0;
};

// One queued event sound.
struct SoundRequest
{
    QString file;
    bool interruptible = false; // a later request stops it; a pause aborts it
    bool loop = false;          // played again after `interval` until stopped
    int interval = 0;           // seconds between repetitions
    int id = 0;                 // from one counter for the process; never 0
};

// The event-sound player, owned by the stream engine. Sounds are played
// from a queue, one after the other, on a thread of the player's own, through
// the engine's decoder modules and its reference-counted sound device. The
// head of the queue is the sound playing. While a sound plays the engine
// leaves the device to it (its decoding waits, RadioStream::soundPlaying()).
//
// Locks: `mutex_` (recursive) guards the queue and the flags below it. It is
// held around openAudio/closeAudio (so that a pause cannot slip between the
// player's check and its open), and so comes before the engine's audio lock;
// it is never held while decoding, reading, sleeping or writing, and the
// engine never takes it while holding one of its own locks.
class RadioStreamSound : public QObject
{
    Q_OBJECT

public:
    // Connects the stream's streamPaused(bool); the thread is not started.
    // Plays through the stream's device and decoder modules.
    RadioStreamSound(RadioStream *stream, AudioDevice &device, DecoderRegistry &decoders);
    ~RadioStreamSound() override;
    // The engine's pause between decode passes, which the player's waits
    // follow, and the level of the event sounds. Any thread.
    void setTimings(int decodeIntervalMs, int soundsVolume);

    // Queues a sound: its id, or 0 (and nothing queued) when `file` is empty,
    // the player is paused or shut down. An interruptible sound at the head
    // of the queue stops at its next check. Starts the thread when it is not
    // running. Any thread.
    int play(const QString &file, bool interruptible, bool loop, int interval);
    // The head request's id while the thread plays the queue, else 0.
    // Lock-free (the engine reads it under its own locks).
    int currentId() const { return currentId_.load(std::memory_order_acquire); }
    // Stops the sound being played at its next check.
    void stopCurrent();
    bool isQueued(int id) const;
    // Empties the queue, stops the sound and joins the thread; play() gives
    // 0 from then on. Called by the engine's destructor before it tears down.
    void shutdown();

public slots:
    // Mirrors the stream's pause state (connected directly: runs on the
    // thread that pauses, before the engine closes the device).
    void slotStreamPaused(bool paused);

private:
    // The thread (RadioStreamSound.cpp).
    void run();
    bool playQueue();
    bool waitInterval(int seconds);
    void removeHead();
    void restoreVolume();
    bool running() const { return running_.load(std::memory_order_acquire); }
    void sleepMs(int ms) const;

    // Playing one file (RadioStreamSoundPlay.cpp), on the thread.
    bool playFile(const QString &file);
    void feedAndDecode(DecoderModule &module, int fd);
    bool decodeAvailable(DecoderModule &module);
    bool writeFrame(const char *pcm, size_t length);
    bool waitOutPause();
    void applyFormat();
    void restoreStreamFormat();

    // The device reference of the player (thread only, under mutex_ for the
    // open and close themselves). A pause closes the device with force and
    // so takes the reference away: `pauseCount_` tells when that happened.
    bool takeDevice();
    void dropDevice();
    void setSoundVolume();

    AudioDevice &device_;
    DecoderRegistry &decoders_;
    std::unique_ptr<RadioStreamWorker> thread_;

    mutable std::recursive_mutex mutex_;
    std::deque<std::unique_ptr<SoundRequest>> queue_; // mutex_
    bool threadRunning_ = false;                      // mutex_: started, not yet leaving
    bool shutDown_ = false;                           // mutex_
    unsigned pauseCount_ = 0;                         // mutex_: pauses so far
    std::atomic<bool> running_{false};     // written under mutex_; read on the thread without it
    std::atomic<bool> paused_{false};      // written under mutex_
    std::atomic<int> currentId_{0};        // written under mutex_ or the audio lock
    std::atomic<int> decodeInterval_{100}; // the engine's settings
    std::atomic<int> soundsVolume_{0};

    // Thread only.
    bool interruptible_ = false; // of the request being played
    SoundFormat format_;         // of the file being played
    bool deviceHeld_ = false;
    unsigned deviceHeldSince_ = 0; // pauseCount_ when the device was opened
};
