#include "sim/cards/card_config.h"
#include "sim/cards/card_layout.h"

namespace sim::cards {

namespace {

using access = object_access;
constexpr uint16_t u8 = data_type::unsigned8;
constexpr uint16_t u16 = data_type::unsigned16;
constexpr uint16_t u32 = data_type::unsigned32;
constexpr uint16_t i32 = data_type::integer32;

void record(slave_builder& b, uint16_t index, uint8_t highest)
{
    b.number(index, 0, u8, access::read_only, highest);
}

void words(slave_builder& b, uint16_t first, uint16_t last, access a, const char* name)
{
    for (uint16_t index = first; index <= last; ++index)
        b.number(index, 0, u16, a, 0, name);
}

void record_of(slave_builder& b, uint16_t index, uint8_t count, uint16_t type, access a, uint64_t initial,
               const char* name)
{
    record(b, index, count);
    for (uint8_t sub = 1; sub <= count; ++sub)
        b.number(index, sub, type, a, initial, name);
}

} // namespace

void add_identity(slave_builder& b, const card_identity& id)
{
    b.number(0x1000, 0, u32, access::read_only, 0x00000191, "Device type");
    b.text(0x1008, 0, access::read_only, id.hardware_version, 0, "Device name");
    b.text(0x1009, 0, access::read_only, id.hardware_version, 0, "Hardware version");
    b.text(0x100A, 0, access::read_only, id.software_version, 0, "Software version");
    b.number(0x4000, 0, u32, access::read_only, uint32_t(id.day) | uint32_t(id.month) << 8 | uint32_t(id.year) << 16,
             "Date");
    record(b, 0x4001, 2);
    b.number(0x4001, 1, u32, access::read_only, id.serial_high, "Serial number high");
    b.number(0x4001, 2, u32, access::read_only, id.serial_low, "Serial number low");
}

void add_counter_clear_object(slave_builder& b)
{
    // clearing needs 0 then 0xFFFF: start armed at 0xFFFF so a lone 0xFFFF clears nothing
    b.number(0x2400, 0, u16, access::read_write, 0xFFFF, "Clear counters");
}

void add_io_objects(slave_builder& b)
{
    card_config defaults;
    b.number(0x2000, 0, u16, access::read_only, 0, "Digital inputs");
    b.number(0x2300, 0, u16, access::read_write, 0, "Digital outputs");
    words(b, 0x2010, 0x2013, access::read_only, "Comparator analog input");
    words(b, 0x2310, 0x2313, access::read_write, "Analog output");
    b.number(0x2020, 0, i32, access::read_only, 0, "Encoder");
    add_counter_clear_object(b);
    record_of(b, 0x3028, 16, u32, access::read_only, 0x800000, "24-bit analog input");
    record(b, 0x3029, 2);
    b.number(0x3029, 1, u16, access::read_only, defaults.ad_mode, "AD mode");
    b.number(0x3029, 2, u16, access::read_only, defaults.rate_code, "AD output data rate");
    record_of(b, 0x3030, 2, u16, access::read_only, 0, "Comparator state");
    b.number(0x3031, 0, u16, access::read_only, defaults.comparator_flags, "Comparator configuration");
    record_of(b, 0x3032, 2, u16, access::read_write, 0, "Comparator threshold");
    b.number(0x3033, 0, u16, access::read_only, 0, "Comparator outputs");
    b.number(0x3034, 0, u16, access::read_only, defaults.encoder_flag, "Encoder configuration");
    record_of(b, 0x3036, 16, u16, access::read_write, 0, "AD latch configuration");
    record_of(b, 0x3037, 16, u32, access::read_only, 0, "AD latch");
    record_of(b, 0x3038, 4, u16, access::read_write, 0, "Comparator latch configuration");
    record_of(b, 0x3039, 4, u16, access::read_only, 0, "Comparator latch");
    b.number(0x3061, 0, u16, access::read_only, 0, "AD CRC error count");
}

void add_settings_objects(slave_builder& b)
{
    card_config defaults;
    b.number(0x6000, 0, u16, access::read_write, 0, "Restart");
    record(b, 0x6001, 2);
    b.number(0x6001, 1, u16, access::read_write, defaults.ad_mode, "AD mode at restart");
    b.number(0x6001, 2, u16, access::read_write, defaults.rate_code, "AD output data rate at restart");
    b.number(0x6003, 0, u16, access::read_write, defaults.encoder_flag, "Encoder configuration at restart");
    b.number(0x6005, 0, u16, access::read_write, defaults.comparator_flags, "Comparator configuration at restart");
    b.number(0x6100, 0, u16, access::read_write, 0, "Save to flash");
}

void add_ioh_objects(slave_builder& b)
{
    b.number(0x2000, 0, u16, access::read_only, 0, "Digital inputs");
    b.number(0x2300, 0, u16, access::read_write, 0, "Digital outputs");
    words(b, 0x2010, 0x2013, access::read_only, "Analog input");
    words(b, 0x2310, 0x2311, access::read_write, "Analog output");
    b.number(0x2320, 0, u32, access::read_write, 1000u << 16, "PWM0 frequency");
    b.number(0x2321, 0, u32, access::read_write, 1000u << 16, "PWM1 frequency");
    add_word_written_wide(b, 0x2330, 0, access::read_write, "PWM0 duty");
    add_word_written_wide(b, 0x2331, 0, access::read_write, "PWM1 duty");
    b.number(0x2020, 0, i32, access::read_only, 0, "Encoder");
    b.number(0x2030, 0, i32, access::read_only, 0, "Counter");
    add_counter_clear_object(b);
}

void add_io16_objects(slave_builder& b)
{
    b.number(0x2000, 0, u16, access::read_only, 0, "Digital inputs");
    b.number(0x2300, 0, u16, access::read_write, 0, "Digital outputs");
    words(b, 0x2010, 0x2011, access::read_only, "Analog input");
    b.number(0x2310, 0, u16, access::read_write, 0, "Analog output");
    add_counter_clear_object(b);
}

void add_ad_clock_objects(slave_builder& b)
{
    record(b, 0x2120, 6);
    const uint32_t initial[6] = {1, 5, 80, 5, 8, 4}; // PLL2 at 80 MHz, 8.5 cycles, divided by 4
    const char* names[6] = {"AD clock source", "PLLM", "PLLN", "PLLP", "AD sampling time", "AD prescaler"};
    for (uint8_t sub = 1; sub <= 6; ++sub)
        b.number(0x2120, sub, i32, access::read_write, initial[sub - 1], names[sub - 1]);
    b.number(0x2121, 0, u16, access::read_write, 0, "Apply AD clock");
}

void add_word_written_wide(slave_builder& b, uint16_t index, uint8_t subindex, object_access a, const std::string& name)
{
    object_entry entry;
    entry.index = index;
    entry.subindex = subindex;
    entry.data_type = u16;
    entry.access = a;
    entry.value = {0, 0};
    entry.variable_size = true;
    entry.capacity = 4;
    entry.name = name;
    b.object(std::move(entry));
}

} // namespace sim::cards
