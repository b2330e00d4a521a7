// The card serial port's mailbox: sending in blocks and the host's receive step.
#include <algorithm>
#include <cstring>

#include "card/card_counters.h"
#include "card/card_ops.h"
#include "card/sdo_numbers.h"
#include "ecat/sdo_api.h"

namespace card {

namespace {
constexpr size_t block_size = 32;
constexpr uint16_t host_busy = 0x00FF;
} // namespace

transfer_result usart_send(ecat::master& m, uint16_t position, const uint8_t* data, size_t length)
{
    if (length == 0)
        return {};
    // bytes past a short block keep the previous block's content; the card takes only
    // the length it is given
    uint8_t staging[block_size] = {};
    for (size_t sent = 0; sent < length;) {
        size_t block = std::min(length - sent, block_size);
        std::memcpy(staging, data + sent, block);
        for (size_t word = 0; word < (block + 3) / 4; ++word) {
            uint64_t value = uint32_t(staging[4 * word] | staging[4 * word + 1] << 8 | staging[4 * word + 2] << 16
                                      | uint32_t(staging[4 * word + 3]) << 24);
            if (transfer_result result = write_number(m, position, 0x2602, uint8_t(word + 1), value, 4); !result.ok())
                return result;
        }
        if (transfer_result result = write_number(m, position, 0x2600, 4, block, 2); !result.ok())
            return result;
        // a trigger that failed still uses up its number
        uint16_t trigger = counters().usart_tx.fetch_add(1);
        if (transfer_result result = write_number(m, position, 0x2600, 3, trigger, 2); !result.ok())
            return result;
        sent += block;
    }
    return {};
}

transfer_result usart_receive_step(ecat::master& m, uint16_t position, const usart_delivery& deliver)
{
    uint64_t available = 0;
    if (transfer_result result = read_number(m, position, 0x2601, 1, 2, available); !result.ok() || available == 0)
        return result;
    if (transfer_result result = write_number(m, position, 0x2601, 2, host_busy, 2); !result.ok())
        return result;
    uint64_t block_number = 0;
    if (transfer_result result = read_number(m, position, 0x2601, 3, 2, block_number); !result.ok())
        return result; // stays marked busy until the next complete step
    if (uint16_t(block_number) != counters().usart_rx_sequence) {
        uint64_t length = 0;
        if (transfer_result result = read_number(m, position, 0x2601, 4, 2, length); !result.ok())
            return result; // the block is fetched again by the next step
        length = std::min<uint64_t>(length, block_size); // whatever the card claims
        uint8_t block[block_size] = {};
        for (size_t word = 0; word < (length + 3) / 4; ++word) {
            size_t got = 0;
            auto subindex = uint8_t(word + 1);
            if (int code = ecat::master_sdo_upload(m, position, 0x2603, subindex, block + 4 * word, 4, &got, nullptr))
                return {code, 0x2603, subindex};
        }
        // counted only once every word is in: a block with a hole is fetched again
        counters().usart_rx_sequence = uint16_t(block_number);
        if (deliver)
            deliver(block, size_t(length));
    }
    return write_number(m, position, 0x2601, 2, 0, 2);
}

} // namespace card
