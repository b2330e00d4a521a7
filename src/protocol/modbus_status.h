#pragma once
#include <array>
#include <cstdint>

// The status word (subindex 1) of a Modbus channel as the simulated card reports it. The
// card model sets these bits and the Modbus page names them; a real card may use others,
// so the page names only what this table holds. Header only and without dependencies:
// the simulator and the page logic both include it.
namespace protocol::modbus_status {

constexpr uint16_t done = 0x0001;
constexpr uint16_t timed_out = 0x0002;
constexpr uint16_t exception = 0x0004;   // the slave's exception code in the high byte
constexpr uint16_t bad_reply = 0x0008;   // CRC, slave id, function or length of the reply wrong
constexpr uint16_t bad_setting = 0x0010; // type, bit count or slave id the card cannot use

constexpr unsigned exception_code_shift = 8;
constexpr uint16_t exception_code_mask = 0xFF00;

constexpr uint16_t exception_status(uint8_t code)
{
    return uint16_t(exception | code << exception_code_shift);
}

struct state {
    uint16_t bit;
    const char* name; // UTF-8, as the page shows it
};

inline constexpr std::array<state, 5> states = {{
    {done, "完成"},
    {timed_out, "超时"},
    {exception, "异常响应（高字节为异常码）"},
    {bad_reply, "响应错误（CRC、从站号、功能码或长度不符）"},
    {bad_setting, "设置无效（类型、Bit数或从站号不可用）"},
}};

} // namespace protocol::modbus_status
