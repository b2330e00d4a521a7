#include "sim/cards/pty_serial_line.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace sim::cards {

pty_serial_line::~pty_serial_line()
{
    if (master_ >= 0)
        ::close(master_);
}

bool pty_serial_line::open(std::string& error)
{
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
        error = std::string("no pseudo terminal: ") + std::strerror(errno);
        return false;
    }
    char name[128];
    if (::ptsname_r(master_, name, sizeof name) != 0) {
        error = std::string("no pseudo terminal name: ") + std::strerror(errno);
        return false;
    }
    path_ = name;
    // Opened and closed once: the raw mode stays with the terminal, and only a terminal
    // whose other side has been closed reports the hang-up that tells "no program".
    int peer = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
    termios mode{};
    if (peer < 0 || ::tcgetattr(peer, &mode) != 0) {
        error = "cannot open " + path_ + ": " + std::strerror(errno);
        if (peer >= 0)
            ::close(peer);
        return false;
    }
    ::cfmakeraw(&mode); // bytes pass as they are, no echo, no line editing
    ::tcsetattr(peer, TCSANOW, &mode);
    ::close(peer);
    return true;
}

bool pty_serial_line::peer_open()
{
    if (master_ < 0)
        return false;
    pollfd state{master_, 0, 0};
    ::poll(&state, 1, 0);
    bool open = (state.revents & POLLHUP) == 0;
    if (peer_open_ && !open)
        keep_unread_and_flush();
    peer_open_ = open;
    return open;
}

void pty_serial_line::keep_unread_and_flush()
{
    uint8_t chunk[256];
    ssize_t got;
    while ((got = ::read(master_, chunk, sizeof chunk)) > 0)
        left_by_peer_.insert(left_by_peer_.end(), chunk, chunk + got);
    // what the program did not read waits in the terminal's own input queue, which only a
    // flush on that side empties
    int peer = ::open(path_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (peer >= 0) {
        ::tcflush(peer, TCIOFLUSH);
        ::close(peer);
    }
}

void pty_serial_line::send(const uint8_t* data, size_t length)
{
    // a program that does not read loses what does not fit, as on a real line
    while (peer_open() && length > 0) {
        ssize_t written = ::write(master_, data, length);
        if (written <= 0)
            return;
        data += written;
        length -= size_t(written);
    }
}

size_t pty_serial_line::receive(uint8_t* out, size_t room)
{
    if (master_ < 0 || room == 0)
        return 0;
    peer_open();
    size_t count = 0;
    while (count < room && !left_by_peer_.empty()) {
        out[count++] = left_by_peer_.front();
        left_by_peer_.pop_front();
    }
    if (count > 0)
        return count;
    ssize_t got = ::read(master_, out, room);
    return got > 0 ? size_t(got) : 0;
}

} // namespace sim::cards
