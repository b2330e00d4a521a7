// The card serial port: its mode, the mailbox's sending in blocks and the host's receive step.
#include <algorithm>
#include <cstring>

#include "card/card_ops.h"
#include "card/sdo_numbers.h"
#include "protocol/usart.h"

namespace card {

namespace usart = protocol::usart;

namespace {
constexpr size_t block_size = usart::block_bytes;
} // namespace

transfer_result read_serial_mode(ecat::master& m, uint16_t position, uint8_t& mode)
{
    uint64_t value = 0;
    transfer_result result = read_object(m, position, usart::serial_mode, value);
    if (result.ok())
        mode = uint8_t(value);
    return result;
}

transfer_result write_serial_mode(ecat::master& m, uint16_t position, uint8_t mode)
{
    return write_object(m, position, usart::serial_mode, mode);
}

transfer_result write_serial_settings(ecat::master& m, uint16_t position, uint32_t baud, int stop_bits, int parity)
{
    if (transfer_result result = write_object(m, position, usart::parity, uint64_t(parity)); !result.ok())
        return result;
    if (transfer_result result = write_object(m, position, usart::stop_bits, uint64_t(stop_bits)); !result.ok())
        return result;
    return write_object(m, position, usart::baud_rate, baud);
}

transfer_result usart_send_message(ecat::master& m, uint16_t position, card_counters& counters, const uint8_t* data,
                                   size_t length)
{
    if (transfer_result result = write_object(m, position, usart::send_state, 0); !result.ok())
        return result;
    if (transfer_result result = usart_send(m, position, counters, data, length); !result.ok())
        return result;
    return write_object(m, position, usart::send_state, usart::send_idle);
}

transfer_result usart_send(ecat::master& m, uint16_t position, card_counters& counters, const uint8_t* data,
                           size_t length)
{
    if (length == 0)
        return {};
    std::atomic<uint16_t>& next_trigger = counters.of(position).usart_tx;
    // bytes past a short block keep the previous block's content; the card takes only
    // the length it is given
    uint8_t staging[block_size] = {};
    for (size_t sent = 0; sent < length;) {
        size_t block = std::min(length - sent, block_size);
        std::memcpy(staging, data + sent, block);
        for (size_t word = 0; word < (block + 3) / 4; ++word) {
            uint64_t value = uint32_t(staging[4 * word] | staging[4 * word + 1] << 8 | staging[4 * word + 2] << 16
                                      | uint32_t(staging[4 * word + 3]) << 24);
            if (transfer_result result = write_object(m, position, usart::send_data(int(word)), value); !result.ok())
                return result;
        }
        if (transfer_result result = write_object(m, position, usart::send_length, block); !result.ok())
            return result;
        // a trigger that failed still uses up its number
        uint16_t trigger = next_trigger.fetch_add(1);
        if (transfer_result result = write_object(m, position, usart::send_trigger, trigger); !result.ok())
            return result;
        sent += block;
    }
    return {};
}

transfer_result usart_receive_step(ecat::master& m, uint16_t position, card_counters& counters,
                                   const usart_delivery& deliver)
{
    uint64_t available = 0;
    if (transfer_result result = read_object(m, position, usart::receive_available, available);
        !result.ok() || available == 0)
        return result;
    if (transfer_result result = write_object(m, position, usart::host_busy, usart::host_busy_mark); !result.ok())
        return result;
    uint64_t block_number = 0;
    if (transfer_result result = read_object(m, position, usart::received_block_number, block_number); !result.ok())
        return result; // stays marked busy until the next complete step
    std::atomic<uint16_t>& last_delivered = counters.of(position).usart_rx_sequence;
    if (uint16_t(block_number) != last_delivered) {
        uint64_t length = 0;
        if (transfer_result result = read_object(m, position, usart::received_block_length, length); !result.ok())
            return result;                               // the block is fetched again by the next step
        length = std::min<uint64_t>(length, block_size); // whatever the card claims
        uint8_t block[block_size] = {};
        for (size_t word = 0; word < (length + 3) / 4; ++word) {
            size_t got = 0;
            if (transfer_result result =
                    read_object_bytes(m, position, usart::received_data(int(word)), block + 4 * word, got);
                !result.ok())
                return result;
        }
        // counted only once every word is in: a block with a hole is fetched again
        last_delivered = uint16_t(block_number);
        if (deliver)
            deliver(block, size_t(length));
    }
    return write_object(m, position, usart::host_busy, 0);
}

} // namespace card
