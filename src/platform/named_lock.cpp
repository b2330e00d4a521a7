#include "platform/named_lock.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

namespace platform {

std::string runtime_directory()
{
    const char* dir = std::getenv("XDG_RUNTIME_DIR");
    if (dir && *dir && access(dir, W_OK) == 0)
        return dir;
    return "/tmp";
}

named_lock::named_lock(const std::string& name) : path_(runtime_directory() + "/" + name)
{
    fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
}

named_lock::~named_lock()
{
    if (fd_ >= 0)
        ::close(fd_);
}

wait_result named_lock::lock(int timeout_ms)
{
    if (fd_ < 0)
        return wait_result::failed;
    if (timeout_ms < 0) {
        threads_.lock();
        while (flock(fd_, LOCK_EX) != 0)
            if (errno != EINTR) {
                threads_.unlock();
                return wait_result::failed;
            }
        return wait_result::signalled;
    }
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    if (!threads_.try_lock_until(deadline))
        return wait_result::timed_out;
    // flock has no time-out: poll it; the lock is mostly free, so poll finely.
    for (;;) {
        if (flock(fd_, LOCK_EX | LOCK_NB) == 0)
            return wait_result::signalled;
        bool failed = errno != EWOULDBLOCK && errno != EINTR;
        if (failed || std::chrono::steady_clock::now() >= deadline) {
            threads_.unlock();
            return failed ? wait_result::failed : wait_result::timed_out;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
}

void named_lock::unlock()
{
    if (fd_ < 0)
        return;
    flock(fd_, LOCK_UN);
    threads_.unlock();
}

} // namespace platform
