#pragma once
#include <deque>

#include "sim/cards/card_fault_set.h"
#include "sim/cards/modbus_jig_slave.h"
#include "sim/cards/serial_line.h"

namespace sim::cards {

// The serial line of the test jig. For the custom protocol a jumper loops the card's
// transmit line back to its receive line; for Modbus the jig's Modbus slave is on the line.
class jig_serial_line : public serial_line {
public:
    explicit jig_serial_line(const card_fault_set& faults) : faults_(faults) { }
    void send(const uint8_t* data, size_t length) override;
    size_t receive(uint8_t* out, size_t room) override;

    void set_modbus(bool on) { modbus_ = on; }
    const modbus_jig_slave& modbus_slave() const { return slave_; }

private:
    const card_fault_set& faults_;
    bool modbus_ = false;
    modbus_jig_slave slave_;
    std::deque<uint8_t> arrived_;
};

} // namespace sim::cards
