#pragma once
#include <string>

#include "sim/cards/serial_line.h"

namespace sim::cards {

// The card's serial line on a pseudo terminal: the PC side opens path() as its serial port.
// The card keeps the other side open itself so the line survives the PC closing its end.
class pty_serial_line : public serial_line {
public:
    pty_serial_line() = default;
    ~pty_serial_line() override;
    pty_serial_line(const pty_serial_line&) = delete;
    pty_serial_line& operator=(const pty_serial_line&) = delete;

    // Opens a new raw pseudo terminal; false with error set when the system has none.
    bool open(std::string& error);
    const std::string& path() const { return path_; }

    void send(const uint8_t* data, size_t length) override;
    size_t receive(uint8_t* out, size_t room) override;

private:
    int master_ = -1;
    int peer_ = -1;
    std::string path_;
};

} // namespace sim::cards
