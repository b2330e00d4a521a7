#pragma once
#include <memory>
#include <string>

#include "sim/cards/card_hooks.h"
#include "sim/cards/jig_serial_line.h"
#include "sim/cards/pty_serial_line.h"

namespace sim::cards {

// The card's UART: line settings, the mode that gives the port to the custom
// protocol mailbox (1) or to the Modbus master (0), and the line it is wired to: the jig's,
// or, once bound to a pseudo terminal, the program that has the terminal open while one has.
class serial_port {
public:
    explicit serial_port(const card_fault_set& faults) : jig_(faults) { }
    serial_port(const serial_port&) = delete;
    serial_port& operator=(const serial_port&) = delete;

    void install(card_hooks& hooks);

    bool modbus_mode() const { return mode_ == 0; }
    serial_line& line() { return wired_; }
    const jig_serial_line& jig() const { return jig_; }
    // Modbus timing: reply time-out in 0.1 ms, pause between exchanges in ms
    uint16_t response_timeout() const { return response_timeout_; }
    uint16_t interval() const { return interval_; }

    // Moves the line to a new pseudo terminal; its path, or false with error set.
    bool bind_pty(std::string& path, std::string& error);

private:
    // What the card's UART is connected to at each byte: the program on the pseudo
    // terminal while one has it open, else the jig. Bytes already on their way arrive
    // whichever end sent them.
    class wired_line : public serial_line {
    public:
        explicit wired_line(serial_port& port) : port_(port) { }
        void send(const uint8_t* data, size_t length) override;
        size_t receive(uint8_t* out, size_t room) override;

    private:
        serial_port& port_;
    };

    uint8_t mode_ = 1;
    uint16_t response_timeout_ = 10;
    uint16_t interval_ = 2;
    jig_serial_line jig_;
    std::unique_ptr<pty_serial_line> pty_;
    wired_line wired_{*this};
};

} // namespace sim::cards
