#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "card/transfer_result.h"

namespace ecat {
struct master;
}

namespace card {

// Shared writes of the card's objects. Each takes the master and the slave's ring
// position, blocks until the master has carried out every transfer, and returns the
// first failed transfer (it stops there), or result::refused (-1) for a rejected value (nothing written).
transfer_result write_da_voltage(ecat::master& m, uint16_t position, int channel, double volts);
transfer_result write_pwm_frequency(ecat::master& m, uint16_t position, int channel, double hertz);
transfer_result write_pwm_duty(ecat::master& m, uint16_t position, int channel, double fraction);
transfer_result clear_counters(ecat::master& m, uint16_t position);
// Register type, register address, slave id, bit-count code (list index + 1),
// operation (0: read channel 0x3020+c, else write channel 0x3000+c), channel.
transfer_result write_modbus_channel(ecat::master& m, uint16_t position, int register_type, int register_address, int slave_id,
                         int bit_count_code, int operation, int channel);
// Clears the eight Tx counts in order, stopping at the first failure.
transfer_result clear_modbus_timeouts(ecat::master& m, uint16_t position);

// Sends bytes through the card's serial port in blocks of at most 32.
transfer_result usart_send(ecat::master& m, uint16_t position, const uint8_t* data, size_t length);

// What one receive step delivers: the received bytes (at most 32) of a new block.
using usart_delivery = std::function<void(const uint8_t* data, size_t length)>;
// One poll of the card's serial port; calls deliver for a new block only, and only when
// every word of it was read.
transfer_result usart_receive_step(ecat::master& m, uint16_t position, const usart_delivery& deliver);

struct can_frame {
    uint32_t identifier = 0;
    uint16_t length = 0; // bytes of data
    uint16_t format = 0; // 0 classic, 1 FD
    uint16_t type = 0;   // 0 data frame, 1 remote frame
    uint8_t data[64] = {};
};

// Writes one frame to the card and triggers its sending; nothing is triggered after a
// failed set-up or data write.
transfer_result can_send(ecat::master& m, uint16_t position, uint16_t type, uint32_t identifier, uint16_t length,
             const uint8_t* data, uint16_t format);
// Frames waiting in the card (a failed read counts as none).
int can_pending(ecat::master& m, uint16_t position);
// Fetches the next frame; the first failed transfer ends the fetch. A presented length
// above 64 fails it (-139 on 0x2611:04) without touching more than 64 bytes.
transfer_result can_receive(ecat::master& m, uint16_t position, can_frame& frame);

// Resets the process-wide counters (send/receive triggers, last block number) to
// their start values; for a fresh master and for tests.
void reset_card_counters();

} // namespace card
