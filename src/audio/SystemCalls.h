#pragma once

// The four system calls the OSS backend makes, behind a seam so that tests
// can play the driver. Each behaves like the system call of the same name:
// -1 with errno on failure.

#include <cstddef>
#include <sys/types.h>

namespace wavelark {

class SystemCalls
{
public:
    virtual ~SystemCalls() = default;
    virtual int open(const char *path, int flags) = 0;
    virtual int close(int fd) = 0;
    // `arg` is null for requests without an argument.
    virtual int ioctl(int fd, unsigned long request, int *arg) = 0;
    virtual ssize_t write(int fd, const void *data, size_t count) = 0;
};

// The real calls.
SystemCalls &realSystemCalls();

// Owns one descriptor and closes it through its SystemCalls. -1 = none.
class UniqueFd
{
public:
    explicit UniqueFd(SystemCalls &sys) : sys_(&sys) {}
    ~UniqueFd() { reset(); }
    UniqueFd(const UniqueFd &) = delete;
    UniqueFd &operator=(const UniqueFd &) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Closes the descriptor held (its close result is not needed) and takes `fd`.
    void reset(int fd = -1);

private:
    SystemCalls *sys_;
    int fd_ = -1;
};

} // namespace wavelark
