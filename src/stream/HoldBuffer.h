#pragma once

#include <QByteArray>

#include <cstddef>
#include <memory>

// The engine's hold buffer: one contiguous block of `capacity` bytes of
// which the first `fill` are held. Received bytes are appended at the back;
// the decode thread takes chunks from the front and the rest moves up.
// Not thread-safe: the engine guards it with its hold-buffer lock.
class HoldBuffer
{
public:
    size_t capacity() const { return capacity_; }
    size_t fill() const { return fill_; }
    size_t room() const { return capacity_ - fill_; }
    bool isEmpty() const { return fill_ == 0; }
    const char *data() const { return bytes_.get(); }

    // New capacity, keeping the contents; a capacity below the fill drops
    // the bytes that no longer fit.
    void resize(size_t capacity);
    // Appends n bytes; the caller has made sure that n <= room(). Returns
    // false (and appends nothing) when it has not.
    bool append(const char *p, size_t n);
    // Copies the first n bytes (at most fill) out and moves the rest to the front.
    QByteArray takeFront(size_t n);
    // Drops the first n bytes (at most fill), moving the rest to the front.
    void dropFront(size_t n);
    void clear() { fill_ = 0; }
    // Frees the memory: capacity and fill become 0.
    void release();

private:
    // Not zero-filled: a stream start does not touch the pages that a short
    // file never reaches.
    std::unique_ptr<char[]> bytes_;
    size_t capacity_ = 0;
    size_t fill_ = 0;
};
