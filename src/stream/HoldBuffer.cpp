#include "HoldBuffer.h"

#include <algorithm>
#include <cstring>

void HoldBuffer::resize(size_t capacity)
{
    if (capacity == capacity_)
        return;
    auto bytes = std::make_unique_for_overwrite<char[]>(capacity);
    fill_ = std::min(fill_, capacity);
    if (fill_ > 0)
        std::memcpy(bytes.get(), data(), fill_);
    bytes_ = std::move(bytes);
    capacity_ = capacity;
    start_ = 0;
}

bool HoldBuffer::append(const char *p, size_t n)
{
    if (n > room())
        return false;
    if (n == 0)
        return true;
    if (start_ + fill_ + n > capacity_) {
        std::memmove(bytes_.get(), data(), fill_);
        start_ = 0;
    }
    std::memcpy(bytes_.get() + start_ + fill_, p, n);
    fill_ += n;
    return true;
}

QByteArray HoldBuffer::takeFront(size_t n)
{
    n = std::min(n, fill_);
    QByteArray chunk(data(), qsizetype(n));
    dropFront(n);
    return chunk;
}

void HoldBuffer::dropFront(size_t n)
{
    n = std::min(n, fill_);
    fill_ -= n;
    start_ = fill_ == 0 ? 0 : start_ + n;
}

void HoldBuffer::release()
{
    bytes_.reset();
    capacity_ = 0;
    start_ = 0;
    fill_ = 0;
}
