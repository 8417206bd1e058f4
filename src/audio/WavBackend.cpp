#include "WavBackend.h"

#include "ProbeLists.h"
#include "WavHeader.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace wavelark {

namespace {

// RIFF sizes are 32-bit; keep header + data + pad below that.
constexpr uint64_t kMaxDataBytes = 0xFFFFFFFFull - kWavHeaderSize - 1;

} // namespace

WavBackend::WavBackend(std::string path) : path_(std::move(path)), fd_(realSystemCalls())
{}

WavBackend::~WavBackend()
{
    if (fd_.valid())
        writeHeader();
}

std::string WavBackend::currentPath() const
{
    return fileIndex_ == 0 ? path_ : path_ + "." + std::to_string(fileIndex_);
}

int WavBackend::fail()
{
    const int saved = errno;
    std::fprintf(stderr, "%s: %s\n", currentPath().c_str(), std::strerror(saved));
    fd_.reset();
    errno = saved;
    return saved;
}

int WavBackend::createFile()
{
    fd_.reset(::open(currentPath().c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (!fd_.valid())
        return fail();
    started_ = true;
    dataBytes_ = 0;
    fileFormat_ = format_;
    return writeHeader();
}

int WavBackend::reopenFile()
{
    fd_.reset(::open(currentPath().c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
    return fd_.valid() ? writeHeader() : fail();
}

int WavBackend::writeHeader()
{
    const auto header = wavHeader(fileFormat_, dataBytes_);
    if (::pwrite(fd_.get(), header.data(), header.size(), 0) != static_cast<ssize_t>(header.size()))
        return fail();
    const uint8_t pad = 0;
    if ((dataBytes_ & 1) && ::pwrite(fd_.get(), &pad, 1, kWavHeaderSize + dataBytes_) != 1)
        return fail();
    return 0;
}

int WavBackend::startNextFile()
{
    const int err = writeHeader();
    fd_.reset();
    ++fileIndex_;
    return err ? err : createFile();
}

int WavBackend::open()
{
    if (fd_.valid())
        return 0;
    return started_ ? reopenFile() : createFile();
}

int WavBackend::close()
{
    if (!fd_.valid())
        return -1;
    writeHeader();
    fd_.reset();
    return 0;
}

int WavBackend::setVolume(int level)
{
    gain_.setLevel(level);
    return 0;
}

int WavBackend::getVolume()
{
    return gain_.level();
}

int WavBackend::setFormat(int channels, int rate, int format)
{
    const PcmFormat wanted{channels, rate, format};
    if (!fd_.valid() || !wanted.valid())
        return 0;
    format_ = wanted;
    if (wanted == fileFormat_)
        return 0;
    if (dataBytes_ == 0) {
        fileFormat_ = wanted; // nothing written yet: the file takes the new format
        writeHeader();
        return 0;
    }
    startNextFile();
    return 0;
}

int WavBackend::flush(bool)
{
    if (!fd_.valid()) {
        errno = EBADF;
        return -1;
    }
    return writeHeader() == 0 ? 0 : -1;
}

int WavBackend::enumerate(AudioFormatEntry *table, int maxRows)
{
    return fillEveryProbeRow(table, maxRows);
}

std::span<const uint8_t> WavBackend::prepare(std::span<const uint8_t> in)
{
    const auto out = gain_.apply(fileFormat_.afmt, in);
    const size_t frame = static_cast<size_t>(fileFormat_.outFrameBytes());
    return out.first(out.size() - out.size() % frame); // whole frames keep the file aligned
}

ssize_t WavBackend::writeSome(const uint8_t *data, size_t count)
{
    if (!fd_.valid()) {
        errno = EBADF;
        return -1;
    }
    if (uint64_t{dataBytes_} + count > kMaxDataBytes && dataBytes_ > 0 && startNextFile() != 0)
        return -1;
    const size_t room = static_cast<size_t>(kMaxDataBytes - dataBytes_);
    const ssize_t n = ::pwrite(fd_.get(), data, std::min(count, room), kWavHeaderSize + dataBytes_);
    if (n > 0)
        dataBytes_ += static_cast<uint32_t>(n);
    return n;
}

} // namespace wavelark
