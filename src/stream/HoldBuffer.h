#pragma once

#include <QByteArray>

#include <cstddef>
#include <memory>

// The engine's hold buffer: one contiguous block of `capacity` bytes of
// which `fill` are held, from `data()` on. Received bytes are appended at
// the back; the decode thread takes chunks from the front. Taking a chunk
// only moves the front forward: the held bytes are moved back to the start
// of the block when an append needs the room behind them, so each byte is
// moved at most once per refill instead of once per chunk taken.
// Not thread-safe: the engine guards it with its hold-buffer lock.
class HoldBuffer
{
public:
    size_t capacity() const { return capacity_; }
    size_t fill() const { return fill_; }
    size_t room() const { return capacity_ - fill_; }
    bool isEmpty() const { return fill_ == 0; }
    const char *data() const { return bytes_.get() + start_; }

    // New capacity, keeping the contents; a capacity below the fill drops
    // the bytes that no longer fit.
    void resize(size_t capacity);
    // Appends n bytes; the caller has made sure that n <= room(). Returns
    // false (and appends nothing) when it has not.
    bool append(const char *p, size_t n);
    // Copies the first n bytes (at most fill) out and drops them.
    QByteArray takeFront(size_t n);
    // Drops the first n bytes (at most fill).
    void dropFront(size_t n);
    void clear() { start_ = fill_ = 0; }
    // Frees the memory: capacity and fill become 0.
    void release();

private:
    // Not zero-filled: a stream start does not touch the pages that a short
    // file never reaches.
    std::unique_ptr<char[]> bytes_;
    size_t capacity_ = 0;
    size_t start_ = 0; // offset of the first held byte
    size_t fill_ = 0;
};
