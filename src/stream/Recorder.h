#pragma once

#include "RecordCut.h"
#include "RecordFile.h"

#include <QString>

#include <atomic>
#include <memory>
#include <mutex>
#include <span>

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
    // A file per song in `directory`: the first named from `title` (from
    // `fallback` when there is none), a new one from each new title that
    // take() is given, cut where that title's audio begins. Names are made
    // safe and never replace a file (" (2)" and on). 0 or an errno value.
    int startPerSong(const QString &directory, const QString &title, const QString &fallback,
                     const QString &extension);
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
    // Received audio (read thread); ignored while not recording. `cuts`
    // are the metadata texts inside it, by the offset where their audio
    // begins; a file per song changes files at a new title.
    void take(const char *data, size_t length, std::span<const RecordCut> cuts = {});

private:
    // The caller holds mutex_ for these.
    void runWriter();
    int openSongFile(const QString &base);
    // Closes the song's file and opens the next; false when that failed
    // and the recording ended.
    bool nextSong(const QString &title);

    mutable std::mutex mutex_; // the record lock: everything below
    unsigned bufferSize_ = 262144;
    RecordFile file_;
    bool perSong_ = false;
    QString songDirectory_, songExtension_, songTitle_;
    std::atomic<bool> recording_{false}; // file_.isOpen(), for lock-free checks
    std::unique_ptr<RadioStreamRecordThread> writer_;
};
