#include "platform/packet_socket_port.h"

#include <cerrno>
#include <sys/types.h>
#include <linux/if_packet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "platform/adapter_helper_client.h"

namespace platform {

packet_socket_port::~packet_socket_port()
{
    close();
}

bool packet_socket_port::open(const std::string& device, std::string& error)
{
    close();
    fd_ = open_packet_socket_through_helper(device, error);
    return fd_ >= 0;
}

void packet_socket_port::close()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

int packet_socket_port::send(const uint8_t* frame, size_t length)
{
    if (fd_ < 0)
        return -1;
    return ::send(fd_, frame, length, MSG_DONTWAIT) == ssize_t(length) ? 0 : -1;
}

int packet_socket_port::receive(uint8_t* buffer, size_t capacity, int timeout_us)
{
    if (fd_ < 0)
        return -1;
    bool waited = false;
    for (;;) {
        sockaddr_ll from{};
        socklen_t from_length = sizeof from;
        ssize_t length =
            recvfrom(fd_, buffer, capacity, MSG_DONTWAIT | MSG_TRUNC, reinterpret_cast<sockaddr*>(&from), &from_length);
        if (length >= 0) {
            // the socket's filter already drops our own frames; this holds without it too
            if (from.sll_pkttype == PACKET_OUTGOING)
                continue;
            return static_cast<int>(size_t(length) < capacity ? size_t(length) : capacity);
        }
        if (errno == EINTR)
            continue;
        if ((errno != EAGAIN && errno != EWOULDBLOCK))
            return -1;
        if (waited)
            return 0;
        pollfd waiter{fd_, POLLIN, 0};
        int timeout_ms = timeout_us <= 0 ? 0 : (timeout_us + 999) / 1000;
        if (::poll(&waiter, 1, timeout_ms) <= 0)
            return 0;
        waited = true;
    }
}

} // namespace platform
