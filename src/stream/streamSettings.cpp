// The buffer-size settings, which the worker threads share.
#include "stream.h"

#include "streamThreads.h"

void RadioStream::setInBufSize(unsigned bytes)
{
    std::lock_guard lock(hold_.mutex);
    hold_.requestedSize = bytes;
}

unsigned RadioStream::inBufSize() const
{
    std::lock_guard lock(hold_.mutex);
    return readThread_->active() ? unsigned(hold_.buffer.capacity()) : hold_.requestedSize;
}

void RadioStream::setOutBufSize(unsigned bytes)
{
    decoders_.setOutBufSize(bytes);
}

unsigned RadioStream::outBufSize() const
{
    return decoders_.outBufSize();
}

void RadioStream::setVolume(int level)
{
    device_.setVolume(level);
}

int RadioStream::volume() const
{
    return device_.volume();
}

void RadioStream::setFillOnEmpty(bool on)
{
    fillOnEmpty_ = on;
    // Turning it off while refilling ends the refill at once.
    if (!on)
        buffering_ = false;
}
