#include "sim/chip/sii_interface.h"

#include "sim/chip/byte_order.h"
#include "sim/chip/esc_registers.h"

namespace sim {

namespace {
constexpr unsigned control_offset = reg::sii_control - reg::sii_config;
constexpr unsigned address_offset = reg::sii_address - reg::sii_config;
constexpr unsigned data_offset = reg::sii_data - reg::sii_config;
} // namespace

sii_interface::sii_interface(std::vector<uint16_t> image) : image_(std::move(image)) { }

void sii_interface::attach(uint8_t* registers)
{
    registers_ = registers;
    // reads deliver 4 bytes; EEPROMs above 16 kbit need two address bytes
    set_status(image_.size() > 1024 ? reg::sii_two_address_bytes : 0);
}

uint16_t sii_interface::status() const
{
    return get16(registers_ + control_offset);
}

void sii_interface::set_status(uint16_t value)
{
    put16(registers_ + control_offset, value);
}

bool sii_interface::busy() const
{
    return status() & reg::sii_busy;
}

uint16_t sii_interface::word(uint32_t address) const
{
    return address < image_.size() ? image_[address] : 0xFFFF;
}

void sii_interface::control_written(const uint8_t* low_byte, const uint8_t* high_byte)
{
    uint16_t current = status();
    if (low_byte)
        current = uint16_t((current & ~reg::sii_write_enable) | (*low_byte & reg::sii_write_enable));
    set_status(current);
    // a command written while one runs is ignored, as the chip does
    if (!high_byte || (current & reg::sii_busy))
        return;
    uint16_t command = uint16_t((*high_byte << 8) & reg::sii_command_mask);
    current &=
        uint16_t(~(reg::sii_command_mask | reg::sii_command_error | reg::sii_write_error | reg::sii_checksum_error));
    if (command == 0) {
        set_status(current);
        return;
    }
    if (command != reg::sii_command_read && command != reg::sii_command_write && command != reg::sii_command_reload) {
        set_status(current | reg::sii_command_error);
        return;
    }
    if (command == reg::sii_command_write && !(current & reg::sii_write_enable)) {
        set_status(current | reg::sii_write_error);
        return;
    }
    set_status(current | command | reg::sii_busy);
    polls_left_ = busy_polls_;
    if (polls_left_ == 0)
        complete();
}

void sii_interface::status_polled()
{
    if (!(status() & reg::sii_busy) || polls_left_ == 0)
        return;
    if (--polls_left_ == 0)
        complete();
}

void sii_interface::complete()
{
    uint16_t current = status();
    uint16_t command = current & reg::sii_command_mask;
    current &= uint16_t(~(reg::sii_busy | reg::sii_command_mask));
    if (command_errors_ > 0) {
        --command_errors_;
        set_status(current | reg::sii_command_error);
        return;
    }
    uint32_t address = get32(registers_ + address_offset);
    if (command == reg::sii_command_read) {
        put16(registers_ + data_offset, word(address));
        put16(registers_ + data_offset + 2, word(address + 1));
    } else if (command == reg::sii_command_write) {
        if (address >= image_.size()) {
            set_status(current | reg::sii_command_error);
            return;
        }
        image_[address] = get16(registers_ + data_offset);
    }
    set_status(current);
}

} // namespace sim
