#include "SystemCalls.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace wavelark {

namespace {

class RealSystemCalls final : public SystemCalls
{
public:
    int open(const char *path, int flags) override { return ::open(path, flags | O_CLOEXEC); }
    int close(int fd) override { return ::close(fd); }
    int ioctl(int fd, unsigned long request, int *arg) override
    {
        return ::ioctl(fd, request, arg);
    }
    ssize_t write(int fd, const void *data, size_t count) override
    {
        return ::write(fd, data, count);
    }
};

} // namespace

SystemCalls &realSystemCalls()
{
    static RealSystemCalls calls;
    return calls;
}

void UniqueFd::reset(int fd)
{
    if (fd_ >= 0 && fd_ != fd)
        sys_->close(fd_);
    fd_ = fd;
}

} // namespace wavelark
