#pragma once
// A FIFO of input bytes with a consumed front, compacted lazily so that
// consuming is O(1) and appending amortised O(n).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace wavelark::modules {

class ByteQueue
{
public:
    // False (and nothing appended) when the queue would exceed `cap` bytes.
    bool append(const uint8_t *data, size_t length, size_t cap)
    {
        if (length > cap || size() > cap - length)
            return false;
        if (head_ > 0 && (head_ >= buf_.size() / 2 || buf_.size() + length > buf_.capacity())) {
            buf_.erase(buf_.begin(), buf_.begin() + ptrdiff_t(head_));
            head_ = 0;
        }
        buf_.insert(buf_.end(), data, data + length);
        return true;
    }
    const uint8_t *data() const { return buf_.data() + head_; }
    size_t size() const { return buf_.size() - head_; }
    bool empty() const { return size() == 0; }
    void consume(size_t n)
    {
        head_ += n < size() ? n : size();
        if (head_ == buf_.size()) {
            buf_.clear();
            head_ = 0;
        }
    }
    void clear()
    {
        buf_.clear();
        head_ = 0;
    }

private:
    std::vector<uint8_t> buf_;
    size_t head_ = 0;
};

} // namespace wavelark::modules
