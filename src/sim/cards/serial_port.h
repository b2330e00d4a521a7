#pragma once
#include <memory>
#include <string>

#include "sim/cards/card_hooks.h"
#include "sim/cards/jig_serial_line.h"
#include "sim/cards/pty_serial_line.h"

namespace sim::cards {

// The card's UART (0x2402): line settings, the mode that gives the port to the custom
// protocol mailbox (1) or to the Modbus master (0), and the line it is wired to: the jig's
// unless it was bound to a pseudo terminal.
class serial_port {
public:
    void install(card_hooks& hooks);

    bool modbus_mode() const { return mode_ == 0; }
    serial_line& line() { return pty_ ? static_cast<serial_line&>(*pty_) : jig_; }
    const jig_serial_line& jig() const { return jig_; }
    // Modbus timing: reply time-out in 0.1 ms, pause between exchanges in ms
    uint16_t response_timeout() const { return response_timeout_; }
    uint16_t interval() const { return interval_; }

    // Moves the line to a new pseudo terminal; its path, or false with error set.
    bool bind_pty(std::string& path, std::string& error);

private:
    uint8_t mode_ = 1;
    uint16_t response_timeout_ = 10;
    uint16_t interval_ = 2;
    jig_serial_line jig_;
    std::unique_ptr<pty_serial_line> pty_;
};

} // namespace sim::cards
