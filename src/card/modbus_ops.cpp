// Modbus channel set-up, Tx data, timing and time-out counts.
#include "card/card_ops.h"
#include "card/sdo_numbers.h"
#include "protocol/modbus.h"
#include "protocol/usart.h"

namespace card {

namespace modbus = protocol::modbus;

// The register type is counted from 1 on the card (0 is none). The channel is stopped while
// it is rewritten.
transfer_result write_modbus_channel(ecat::master& m, uint16_t position, int register_type, int register_address,
                                     int slave_id, int bit_count_code, int operation, int channel)
{
    if (channel < 0 || channel >= modbus::channel_count)
        return {ecat::result::refused};
    const modbus::channel c = operation != 0 ? modbus::tx_channel(channel) : modbus::rx_channel(channel);
    struct step {
        protocol::object object;
        uint64_t value;
    };
    const step steps[] = {
        {c.run(), 0},
        {c.register_address(), uint16_t(register_address)},
        {c.bit_count(), uint8_t(bit_count_code)},
        {c.slave_id(), uint8_t(slave_id)},
        {c.register_type(), uint8_t(register_type + 1)},
        {c.run(), 1},
    };
    for (const step& s : steps)
        if (transfer_result result = write_object(m, position, s.object, s.value); !result.ok())
            return result;
    return {};
}

transfer_result write_modbus_tx_data(ecat::master& m, uint16_t position, int channel, uint32_t word)
{
    if (channel < 0 || channel >= modbus::channel_count)
        return {ecat::result::refused};
    return write_object(m, position, modbus::tx_data(channel), word);
}

transfer_result write_modbus_timing(ecat::master& m, uint16_t position, uint16_t interval_ms, uint16_t timeout_units)
{
    if (transfer_result result = write_object(m, position, protocol::usart::modbus_interval, interval_ms); !result.ok())
        return result;
    return write_object(m, position, protocol::usart::modbus_response_timeout, timeout_units);
}

transfer_result clear_modbus_timeouts(ecat::master& m, uint16_t position)
{
    // a card that does not answer one would keep the caller waiting for each of the others
    for (int channel = 0; channel < modbus::channel_count; ++channel)
        if (transfer_result result = write_object(m, position, modbus::tx_channel(channel).timeout_count(), 0,
                                                  modbus::timeout_count_write_size);
            !result.ok())
            return result;
    return {};
}

} // namespace card
