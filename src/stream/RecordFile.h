#pragma once

#include <QString>

#include <cstddef>
#include <cstdlib>
#include <functional>
#include <memory>

// The record buffer and the record file: received bytes are copied into a
// buffer of a fixed size and written out to the file when the buffer would
// overflow and when recording stops.
//
// Not thread-safe: the engine guards it with its record lock. writeOut()
// runs on the engine's record writer thread while the thread that started
// it holds that lock and waits.
class RecordFile
{
public:
    RecordFile() = default;
    // Closes the file (see close()).
    ~RecordFile();
    RecordFile(const RecordFile &) = delete;
    RecordFile &operator=(const RecordFile &) = delete;

    // Opens `path` for appending, creating it with mode 0644 when missing,
    // with an empty buffer of `bufferSize` bytes. 0, or an errno value:
    // ENOMEM when the size is 0 or the buffer cannot be had; the open's
    // errno when the file cannot be opened (then nothing is open). An open
    // recording is closed first. With `createNew` an existing file is never
    // opened: EEXIST.
    int open(const QString &path, size_t bufferSize, bool createNew = false);
    bool isOpen() const { return fd_ >= 0; }
    // The path given to the last open(), kept after close().
    const QString &fileName() const { return fileName_; }

    // The record step for one received block: when it does not fit, writes
    // "record buffer full, dumping: TOTAL=<size>, LEN=<length>" to stderr
    // and calls `flush` (which must make writeOut() run). A block larger
    // than the whole buffer then goes straight to the file. Bytes that
    // cannot be kept because writes fail and the buffer is full are lost
    // and counted in lostBytes().
    void take(const char *data, size_t length, const std::function<void()> &flush);

    // Writes the held bytes to the file; what cannot be written stays held.
    // The first failure of a recording is reported on stderr once, as
    // "<path>: <system message>".
    void writeOut();

    // A new buffer size, keeping what is held (a buffer never shrinks below
    // its fill). False when the memory cannot be had; nothing changes then.
    bool resize(size_t bufferSize);

    // Writes out what is held, closes the file and frees the buffer; bytes
    // that still cannot be written are dropped. An empty file is deleted.
    void close();

    size_t fill() const { return fill_; }
    size_t bufferSize() const { return size_; }
    size_t lostBytes() const { return lost_; }

private:
    size_t room() const { return size_ > fill_ ? size_ - fill_ : 0; }
    void keep(const char *data, size_t length);
    // Writes from data until done or a write fails; the bytes written.
    size_t writeSome(const char *data, size_t length);
    void reportFailure(int error);

    struct FreeDeleter
    {
        void operator()(char *p) const { std::free(p); }
    };
    std::unique_ptr<char, FreeDeleter> buffer_;
    size_t capacity_ = 0; // bytes allocated: max(size_, fill_)
    size_t size_ = 0;     // the record buffer size in use
    size_t fill_ = 0;
    size_t lost_ = 0;
    int fd_ = -1;
    bool failureReported_ = false;
    QString fileName_;
};
