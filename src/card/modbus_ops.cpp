// Modbus channel set-up and time-out counts.
#include "card/card_ops.h"
#include "card/sdo_numbers.h"

namespace card {

namespace {
constexpr int channels = 8;
constexpr uint16_t tx_channels = 0x3000;
constexpr uint16_t rx_channels = 0x3020;
} // namespace

// The card's channel layout: 2 register address, 3 bit count, 4 slave id, 5 register type
// counted from 1 (0 is none), 6 run flag. The channel is stopped while it is rewritten.
transfer_result write_modbus_channel(ecat::master& m, uint16_t position, int register_type, int register_address, int slave_id,
                         int bit_count_code, int operation, int channel)
{
    if (channel < 0 || channel >= channels)
        return {ecat::result::refused};
    auto base = uint16_t((operation != 0 ? tx_channels : rx_channels) + channel);
    struct step {
        uint8_t subindex;
        uint64_t value;
        size_t size;
    };
    const step steps[] = {
        {6, 0, 1},
        {2, uint16_t(register_address), 2},
        {3, uint8_t(bit_count_code), 1},
        {4, uint8_t(slave_id), 1},
        {5, uint8_t(register_type + 1), 1},
        {6, 1, 1},
    };
    for (const step& s : steps)
        if (transfer_result result = write_number(m, position, base, s.subindex, s.value, s.size); !result.ok())
            return result;
    return {};
}

transfer_result clear_modbus_timeouts(ecat::master& m, uint16_t position)
{
    // a card that does not answer one would keep the caller waiting for each of the others
    for (int channel = 0; channel < channels; ++channel)
        if (transfer_result result = write_number(m, position, uint16_t(tx_channels + channel), 7, 0, 4); !result.ok())
            return result;
    return {};
}

} // namespace card
