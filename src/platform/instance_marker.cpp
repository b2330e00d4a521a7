#include "platform/instance_marker.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace platform {

instance_marker::instance_marker(const std::string& name)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    // a leading zero byte puts the name in the abstract namespace: no file, no owner
    size_t length = std::min(name.size(), sizeof address.sun_path - 1);
    std::memcpy(address.sun_path + 1, name.data(), length);
    fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0)
        return;
    auto size = socklen_t(offsetof(sockaddr_un, sun_path) + 1 + length);
    if (::bind(fd_, reinterpret_cast<const sockaddr*>(&address), size) == 0) {
        state_ = result::marked;
        return;
    }
    state_ = errno == EADDRINUSE ? result::already_running : result::unavailable;
    ::close(fd_);
    fd_ = -1;
}

instance_marker::~instance_marker()
{
    if (fd_ >= 0)
        ::close(fd_);
}

} // namespace platform
