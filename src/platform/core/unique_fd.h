#pragma once
// A file descriptor closed on every way out of its scope. Plain POSIX, so the
// helper program (which links no platform library) can use it too.
#include <unistd.h>

namespace platform {

class UniqueFd {
public:
    explicit UniqueFd(long fd) : fd_(static_cast<int>(fd)) {}
    ~UniqueFd()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

} // namespace platform
