#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "card/card_counters.h"
#include "card/transfer_result.h"

namespace ecat {
struct master;
}

namespace card {

// The card object operations. Each takes the master and the slave's ring position, blocks
// until the master has carried out every transfer, and returns the first failed transfer
// (it stops there), or result::refused (-1) for a rejected value (nothing written).

// Digital and analog outputs, comparators, PWM and counters.
transfer_result write_outputs(ecat::master& m, uint16_t position, uint16_t word);
transfer_result write_da_voltage(ecat::master& m, uint16_t position, int channel, double volts);
transfer_result read_comparator_configuration(ecat::master& m, uint16_t position, uint16_t& flags);
transfer_result write_comparator_threshold(ecat::master& m, uint16_t position, int comparator, uint16_t raw);
transfer_result write_pwm_frequency(ecat::master& m, uint16_t position, int channel, double hertz);
transfer_result write_pwm_duty(ecat::master& m, uint16_t position, int channel, double fraction);
transfer_result clear_counters(ecat::master& m, uint16_t position);

// One number written to an object, size bytes little-endian.
struct object_write {
    uint16_t index;
    uint8_t subindex;
    uint32_t value;
    size_t size;
};
// Writes in order and stops at the first failure (a refused AD clock field is never applied).
transfer_result write_in_order(ecat::master& m, uint16_t position, const std::vector<object_write>& writes);
// The six AD clock fields in subindex order; a field that could not be read whole is empty.
using ad_clock_fields = std::array<std::optional<int32_t>, 6>;
[[nodiscard]] ad_clock_fields read_ad_clock(ecat::master& m, uint16_t position);

// The serial port's mode (1 custom protocol, 0 Modbus) and its Modbus timing.
transfer_result read_serial_mode(ecat::master& m, uint16_t position, uint8_t& mode);
transfer_result write_serial_mode(ecat::master& m, uint16_t position, uint8_t mode);
// Interval first: a time-out without its interval is no setting either.
transfer_result write_modbus_timing(ecat::master& m, uint16_t position, uint16_t interval_ms, uint16_t timeout_units);

// Register type, register address, slave id, bit-count code (list index + 1),
// operation (0: Rx channel c, read from the slave; else Tx channel c, written to it), channel.
transfer_result write_modbus_channel(ecat::master& m, uint16_t position, int register_type, int register_address,
                                     int slave_id, int bit_count_code, int operation, int channel);
transfer_result write_modbus_tx_data(ecat::master& m, uint16_t position, int channel, uint32_t word);
// Clears the eight Tx counts in order, stopping at the first failure.
transfer_result clear_modbus_timeouts(ecat::master& m, uint16_t position);

// Parity (0 none, 1 odd, 2 even), stop bits (0 one, 1 two), then the baud rate.
transfer_result write_serial_settings(ecat::master& m, uint16_t position, uint32_t baud, int stop_bits, int parity);
// One message: send state 0, the bytes in blocks, send state idle.
transfer_result usart_send_message(ecat::master& m, uint16_t position, card_counters& counters, const uint8_t* data,
                                   size_t length);
// Sends bytes through the card's serial port in blocks of at most 32.
transfer_result usart_send(ecat::master& m, uint16_t position, card_counters& counters, const uint8_t* data,
                           size_t length);

// What one receive step delivers: the received bytes (at most 32) of a new block.
using usart_delivery = std::function<void(const uint8_t* data, size_t length)>;
// One poll of the card's serial port; calls deliver for a new block only, and only when
// every word of it was read.
transfer_result usart_receive_step(ecat::master& m, uint16_t position, card_counters& counters,
                                   const usart_delivery& deliver);

struct can_frame {
    uint32_t identifier = 0;
    uint16_t length = 0; // bytes of data
    uint16_t format = 0; // 0 classic, 1 FD
    uint16_t type = 0;   // 0 data frame, 1 remote frame
    uint8_t data[64] = {};
};

// Nominal first; the data rate is not written after a refused nominal rate.
transfer_result write_can_bit_rates(ecat::master& m, uint16_t position, uint32_t nominal, uint32_t data);
// Writes one frame to the card and triggers its sending; nothing is triggered after a
// failed set-up or data write.
transfer_result can_send(ecat::master& m, uint16_t position, card_counters& counters, uint16_t type,
                         uint32_t identifier, uint16_t length, const uint8_t* data, uint16_t format);
// Frames waiting in the card (a failed read counts as none).
int can_pending(ecat::master& m, uint16_t position);
// Fetches the next frame; the first failed transfer ends the fetch. A presented length
// above 64 fails it (-139 on the received length) without touching more than 64 bytes.
transfer_result can_receive(ecat::master& m, uint16_t position, card_counters& counters, can_frame& frame);

} // namespace card
