#pragma once

#include "RecordFile.h"

#include <QString>

#include <atomic>
#include <memory>
#include <mutex>

class RadioStreamRecordThread;

// The recording of the received stream: the record file with its buffer and
// the writer thread that writes a full buffer out. The record lock is this
// part's own; it comes after the playlist, hold-buffer, decoder and fetch
// locks and before the audio lock. The writer runs while the thread that
// started it holds the record lock and waits for it.
class Recorder
{
public:
    Recorder();
    ~Recorder();

    // Opens path for appending (created with mode 0644 when missing) with an
    // empty buffer of bufferSize() bytes. 0 or an errno value.
    int start(const QString &path);
    // When recording: writes out what is held and closes the file (deleting
    // it when empty). True when a recording was stopped.
    bool stop();
    bool isRecording() const { return recording_; }
    // The path given to the last start, kept after stop.
    QString fileName() const;
    // When recording, writes the buffer out now.
    void flush();
    // 0 is ignored; a recording writes out what it holds first.
    void setBufferSize(unsigned bytes);
    unsigned bufferSize() const;
    // Received audio (read thread); ignored while not recording.
    void take(const char *data, size_t length);

private:
    void runWriter(); // caller holds mutex_

    mutable std::mutex mutex_; // the record lock: everything below
    unsigned bufferSize_ = 262144;
    RecordFile file_;
    std::atomic<bool> recording_{false}; // file_.isOpen(), for lock-free checks
    std::unique_ptr<RadioStreamRecordThread> writer_;
};
