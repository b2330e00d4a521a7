#include "sim/cards/pty_serial_line.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace sim::cards {

pty_serial_line::~pty_serial_line()
{
    if (peer_ >= 0)
        ::close(peer_);
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
    peer_ = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
    termios mode{};
    if (peer_ < 0 || ::tcgetattr(peer_, &mode) != 0) {
        error = "cannot open " + path_ + ": " + std::strerror(errno);
        return false;
    }
    ::cfmakeraw(&mode); // bytes pass as they are, no echo, no line editing
    ::tcsetattr(peer_, TCSANOW, &mode);
    return true;
}

void pty_serial_line::send(const uint8_t* data, size_t length)
{
    // a PC side that does not read loses what does not fit, as a real line would
    while (master_ >= 0 && length > 0) {
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
    ssize_t got = ::read(master_, out, room);
    return got > 0 ? size_t(got) : 0;
}

} // namespace sim::cards
