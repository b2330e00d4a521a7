#pragma once
#include <deque>
#include <string>

#include "sim/cards/serial_line.h"

namespace sim::cards {

// The card's serial line on a pseudo terminal: a program opens path() as its serial port.
// The card holds only the master side, so it can tell whether any program has the terminal
// open (while none has, the master side reports a hang-up).
class pty_serial_line : public serial_line {
public:
    pty_serial_line() = default;
    ~pty_serial_line() override;
    pty_serial_line(const pty_serial_line&) = delete;
    pty_serial_line& operator=(const pty_serial_line&) = delete;

    // Opens a new raw pseudo terminal; false with error set when the system has none.
    bool open(std::string& error);
    const std::string& path() const { return path_; }

    // True while a program has the terminal open. When the last one closes, what it wrote
    // stays for receive(), and what it did not read is discarded: the next program starts
    // with an empty line.
    bool peer_open();

    // Bytes for the program; lost when no program has the terminal open.
    void send(const uint8_t* data, size_t length) override;
    size_t receive(uint8_t* out, size_t room) override;

private:
    void keep_unread_and_flush();

    int master_ = -1;
    bool peer_open_ = false;
    std::deque<uint8_t> left_by_peer_;
    std::string path_;
};

} // namespace sim::cards
