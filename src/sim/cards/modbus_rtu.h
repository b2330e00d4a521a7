#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace sim::cards::modbus {

namespace function {
constexpr uint8_t read_coils = 0x01;
constexpr uint8_t read_discrete_inputs = 0x02;
constexpr uint8_t read_holding_registers = 0x03;
constexpr uint8_t read_input_registers = 0x04;
constexpr uint8_t write_single_coil = 0x05;
constexpr uint8_t write_single_register = 0x06;
constexpr uint8_t write_multiple_coils = 0x0F;
constexpr uint8_t write_multiple_registers = 0x10;
constexpr uint8_t exception_flag = 0x80;
} // namespace function

namespace exception {
constexpr uint8_t illegal_function = 0x01;
constexpr uint8_t illegal_address = 0x02;
constexpr uint8_t illegal_value = 0x03;
} // namespace exception

// CRC-16 of Modbus RTU (polynomial 0xA001 reflected, start 0xFFFF).
uint16_t crc16(const uint8_t* data, size_t length);
// Appends the CRC, low byte first, to a frame of address, function code and data.
void seal(std::vector<uint8_t>& frame);
// True when the frame is at least address, function and CRC long and its CRC holds.
bool intact(const uint8_t* frame, size_t length);

// Frame builders: address, quantity and 16-bit values go big-endian, as Modbus does.
std::vector<uint8_t> read_request(uint8_t slave, uint8_t function, uint16_t address, uint16_t quantity);
std::vector<uint8_t> write_coils_request(uint8_t slave, uint16_t address, uint16_t count, uint32_t bits);
std::vector<uint8_t> write_registers_request(uint8_t slave, uint16_t address, const std::vector<uint16_t>& values);
std::vector<uint8_t> exception_reply(uint8_t slave, uint8_t function, uint8_t code);

// Length of the normal reply to a request (with CRC); the exception reply is 5 bytes.
size_t reply_length(const std::vector<uint8_t>& request);

inline uint16_t big16(const uint8_t* p)
{
    return uint16_t(p[0] << 8 | p[1]);
}
inline void push_big16(std::vector<uint8_t>& frame, uint16_t v)
{
    frame.push_back(uint8_t(v >> 8));
    frame.push_back(uint8_t(v));
}

} // namespace sim::cards::modbus
