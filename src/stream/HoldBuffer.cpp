#include "HoldBuffer.h"

#include <algorithm>
#include <cstring>

void HoldBuffer::resize(size_t capacity)
{
    bytes_.resize(capacity);
    fill_ = std::min(fill_, capacity);
}

bool HoldBuffer::append(const char *p, size_t n)
{
    if (n > room())
        return false;
    if (n > 0)
        std::memcpy(bytes_.data() + fill_, p, n);
    fill_ += n;
    return true;
}

QByteArray HoldBuffer::takeFront(size_t n)
{
    n = std::min(n, fill_);
    QByteArray chunk(bytes_.data(), qsizetype(n));
    dropFront(n);
    return chunk;
}

void HoldBuffer::dropFront(size_t n)
{
    n = std::min(n, fill_);
    if (n < fill_)
        std::memmove(bytes_.data(), bytes_.data() + n, fill_ - n);
    fill_ -= n;
}

void HoldBuffer::release()
{
    std::vector<char>().swap(bytes_);
    fill_ = 0;
}
