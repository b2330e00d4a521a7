#include "sim/cards/modbus_rtu.h"

namespace sim::cards::modbus {

uint16_t crc16(const uint8_t* data, size_t length)
{
    uint16_t crc = 0xFFFF;
    for (size_t i = 0; i < length; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? uint16_t((crc >> 1) ^ 0xA001) : uint16_t(crc >> 1);
    }
    return crc;
}

void seal(std::vector<uint8_t>& frame)
{
    uint16_t crc = crc16(frame.data(), frame.size());
    frame.push_back(uint8_t(crc));
    frame.push_back(uint8_t(crc >> 8));
}

bool intact(const uint8_t* frame, size_t length)
{
    if (length < 4)
        return false;
    uint16_t crc = crc16(frame, length - 2);
    return frame[length - 2] == uint8_t(crc) && frame[length - 1] == uint8_t(crc >> 8);
}

std::vector<uint8_t> read_request(uint8_t slave, uint8_t function, uint16_t address, uint16_t quantity)
{
    std::vector<uint8_t> frame{slave, function};
    push_big16(frame, address);
    push_big16(frame, quantity);
    seal(frame);
    return frame;
}

std::vector<uint8_t> write_coils_request(uint8_t slave, uint16_t address, uint16_t count, uint32_t bits)
{
    std::vector<uint8_t> frame{slave};
    if (count == 1) {
        frame.push_back(function::write_single_coil);
        push_big16(frame, address);
        push_big16(frame, (bits & 1) ? 0xFF00 : 0x0000);
    } else {
        frame.push_back(function::write_multiple_coils);
        push_big16(frame, address);
        push_big16(frame, count);
        uint8_t bytes = uint8_t((count + 7) / 8);
        frame.push_back(bytes);
        for (uint8_t i = 0; i < bytes; ++i) // coils go least significant bit first
            frame.push_back(uint8_t(bits >> (8 * i)));
    }
    seal(frame);
    return frame;
}

std::vector<uint8_t> write_registers_request(uint8_t slave, uint16_t address, const std::vector<uint16_t>& values)
{
    std::vector<uint8_t> frame{slave};
    if (values.size() == 1) {
        frame.push_back(function::write_single_register);
        push_big16(frame, address);
        push_big16(frame, values[0]);
    } else {
        frame.push_back(function::write_multiple_registers);
        push_big16(frame, address);
        push_big16(frame, uint16_t(values.size()));
        frame.push_back(uint8_t(values.size() * 2));
        for (uint16_t value : values)
            push_big16(frame, value);
    }
    seal(frame);
    return frame;
}

std::vector<uint8_t> exception_reply(uint8_t slave, uint8_t function, uint8_t code)
{
    std::vector<uint8_t> frame{slave, uint8_t(function | function::exception_flag), code};
    seal(frame);
    return frame;
}

size_t reply_length(const std::vector<uint8_t>& request)
{
    uint16_t quantity = request.size() >= 6 ? big16(&request[4]) : 0;
    switch (request.size() >= 2 ? request[1] : 0) {
    case function::read_coils:
    case function::read_discrete_inputs: return 5 + (quantity + 7) / 8;
    case function::read_holding_registers:
    case function::read_input_registers: return 5 + 2 * size_t(quantity);
    default: // the writes echo address and value or quantity
        return 8;
    }
}

} // namespace sim::cards::modbus
