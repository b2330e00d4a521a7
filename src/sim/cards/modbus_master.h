#pragma once
#include <array>
#include <cstdint>
#include <vector>

#include "protocol/modbus.h"
#include "sim/cards/serial_port.h"

namespace sim::cards {

// The card's Modbus RTU master, working while the port is in Modbus mode. It takes the
// running channels in turn, Rx 0..7 (result in the Rx data word) then Tx 0..7 (data from the
// Tx data word), one exchange at a time with the port's interval between them.
// The bit count is 1..32 coils or inputs; for registers 16 or 32 bits, where
// 1 and 2 are taken as the number of registers, as the host's bit-count list codes them.
// A 32-bit register value is two registers, high word first. The status word of each
// exchange is one of modbus_status.
class modbus_master {
public:
    explicit modbus_master(serial_port& port) : port_(port) { }

    void install(card_hooks& hooks);
    // now: frames seen by the card, one frame standing for one millisecond
    void tick(object_dictionary& dictionary, uint64_t now);

private:
    static constexpr unsigned rx_slots = protocol::modbus::channel_count;
    static constexpr unsigned channel_slots = 2 * rx_slots;
    struct exchange {
        unsigned slot = 0;
        std::vector<uint8_t> request;
        size_t reply_length = 0;
        unsigned registers = 0; // 0 for coils and inputs
        unsigned bits = 0;
        uint64_t deadline = 0;
        std::vector<uint8_t> reply;
    };

    static protocol::modbus::channel channel_of(unsigned slot)
    {
        return slot < rx_slots ? protocol::modbus::rx_channel(int(slot))
                               : protocol::modbus::tx_channel(int(slot - rx_slots));
    }
    bool start(object_dictionary& d, unsigned slot, uint64_t now);
    void receive(object_dictionary& d, uint64_t now);
    void finish(object_dictionary& d, uint16_t status, uint64_t now);
    uint32_t reply_value() const;
    uint16_t reply_status() const;

    serial_port& port_;
    uint16_t running_ = 0; // bit per slot
    std::array<uint16_t, channel_slots> timeouts_{};
    bool waiting_ = false;
    exchange current_;
    unsigned next_slot_ = 0;
    uint64_t next_start_ = 0;
};

} // namespace sim::cards
