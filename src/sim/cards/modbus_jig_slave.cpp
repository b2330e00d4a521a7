#include "sim/cards/modbus_jig_slave.h"

#include "sim/cards/modbus_rtu.h"

namespace sim::cards {

namespace {

using namespace modbus;

bool fits(uint16_t address, uint16_t count, uint16_t limit)
{
    return count >= 1 && count <= limit && size_t(address) + count <= modbus_jig_slave::size;
}

} // namespace

std::vector<uint8_t> modbus_jig_slave::answer(const uint8_t* frame, size_t length)
{
    if (length < 8 || !intact(frame, length) || frame[0] != slave_id)
        return {};
    uint8_t fc = frame[1];
    uint16_t address = big16(frame + 2);
    uint16_t quantity = big16(frame + 4);
    switch (fc) {
    case function::read_coils:
    case function::read_discrete_inputs:
        if (!fits(address, quantity, 2000))
            return exception_reply(slave_id, fc, exception::illegal_address);
        return read_bits(fc, address, quantity);
    case function::read_holding_registers:
    case function::read_input_registers:
        if (!fits(address, quantity, 125))
            return exception_reply(slave_id, fc, exception::illegal_address);
        return read_words(fc, address, quantity);
    case function::write_single_coil:
    case function::write_single_register:
    case function::write_multiple_coils:
    case function::write_multiple_registers: return write(frame, length);
    default: return exception_reply(slave_id, fc, exception::illegal_function);
    }
}

std::vector<uint8_t> modbus_jig_slave::read_bits(uint8_t fc, uint16_t address, uint16_t count) const
{
    std::vector<uint8_t> reply{slave_id, fc, uint8_t((count + 7) / 8)};
    reply.resize(3 + reply[2], 0);
    for (uint16_t i = 0; i < count; ++i) {
        size_t at = address + i;
        bool bit = fc == function::read_coils ? coils_[at] : discrete_input(at);
        if (bit)
            reply[3 + i / 8] |= uint8_t(1u << (i % 8));
    }
    seal(reply);
    return reply;
}

std::vector<uint8_t> modbus_jig_slave::read_words(uint8_t fc, uint16_t address, uint16_t count) const
{
    std::vector<uint8_t> reply{slave_id, fc, uint8_t(count * 2)};
    for (uint16_t i = 0; i < count; ++i) {
        size_t at = address + i;
        push_big16(reply, fc == function::read_holding_registers ? holding_[at] : input_register(at));
    }
    seal(reply);
    return reply;
}

std::vector<uint8_t> modbus_jig_slave::write(const uint8_t* frame, size_t length)
{
    uint8_t fc = frame[1];
    uint16_t address = big16(frame + 2);
    uint16_t value = big16(frame + 4);
    if (fc == function::write_single_coil || fc == function::write_single_register) {
        if (address >= size)
            return exception_reply(slave_id, fc, exception::illegal_address);
        if (fc == function::write_single_coil) {
            if (value != 0xFF00 && value != 0x0000)
                return exception_reply(slave_id, fc, exception::illegal_value);
            coils_[address] = value == 0xFF00;
        } else {
            holding_[address] = value;
        }
    } else {
        uint16_t count = value;
        bool coils = fc == function::write_multiple_coils;
        size_t bytes = coils ? (count + 7u) / 8 : count * 2u;
        if (length < 9 + bytes || frame[6] != bytes)
            return exception_reply(slave_id, fc, exception::illegal_value);
        if (!fits(address, count, coils ? 1968 : 123))
            return exception_reply(slave_id, fc, exception::illegal_address);
        for (uint16_t i = 0; i < count; ++i) {
            if (coils)
                coils_[address + i] = (frame[7 + i / 8] >> (i % 8)) & 1;
            else
                holding_[address + i] = big16(frame + 7 + 2 * i);
        }
    }
    std::vector<uint8_t> reply(frame, frame + 6); // the writes echo address and value or quantity
    seal(reply);
    return reply;
}

} // namespace sim::cards
