#include "sim/cards/card_layout.h"

#include <string>

namespace sim::cards {

namespace {

using access = object_access;
constexpr uint16_t u8 = data_type::unsigned8;
constexpr uint16_t u16 = data_type::unsigned16;
constexpr uint16_t u32 = data_type::unsigned32;

void data_words(slave_builder& b, uint16_t index, uint8_t count, access a, const char* name)
{
    b.number(index, 0, u8, access::read_only, count);
    for (uint8_t sub = 1; sub <= count; ++sub)
        b.number(index, sub, u32, a, 0, name);
}

} // namespace

void add_serial_objects(slave_builder& b)
{
    b.number(0x2402, 0, u8, access::read_only, 7);
    b.number(0x2402, 1, u16, access::read_write, 10, "Modbus response time-out (0.1 ms)");
    b.number(0x2402, 2, u32, access::read_write, 115200, "Baud rate");
    b.number(0x2402, 3, u16, access::read_write, 2, "Modbus interval (ms)");
    b.number(0x2402, 4, u8, access::read_write, 1, "Serial mode (1 custom protocol, 0 Modbus)");
    b.number(0x2402, 5, u16, access::read_only, 8, "Data bits");
    b.number(0x2402, 6, u16, access::read_write, 0, "Parity");
    b.number(0x2402, 7, u16, access::read_write, 0, "Stop bits");

    b.number(0x2600, 0, u8, access::read_only, 4);
    b.number(0x2600, 1, u16, access::read_write, 0, "Send state");
    b.number(0x2600, 2, u16, access::read_only, 0, "Blocks sent");
    b.number(0x2600, 3, u16, access::read_write, 0, "Send trigger");
    b.number(0x2600, 4, u16, access::read_write, 0, "Send length");
    b.number(0x2601, 0, u8, access::read_only, 4);
    b.number(0x2601, 1, u16, access::read_only, 0, "Receive data available");
    b.number(0x2601, 2, u16, access::read_write, 0, "Host busy");
    b.number(0x2601, 3, u16, access::read_only, 0, "Received block number");
    b.number(0x2601, 4, u16, access::read_only, 0, "Received block length");
    // shared with the Modbus channels: staged send data or Tx data, received data or Rx data
    data_words(b, 0x2602, 8, access::read_write, "Send data");
    data_words(b, 0x2603, 8, access::read_only, "Received data");
}

void add_modbus_objects(slave_builder& b)
{
    for (uint16_t base : {0x3000, 0x3020})
        for (uint16_t n = 0; n < 8; ++n) {
            uint16_t index = uint16_t(base + n);
            std::string kind = base == 0x3000 ? "Modbus Tx " : "Modbus Rx ";
            b.number(index, 0, u8, access::read_only, 7);
            b.number(index, 1, u16, access::read_only, 0, kind + "status");
            b.number(index, 2, u16, access::read_write, 0, kind + "register address");
            b.number(index, 3, u8, access::read_write, 16, kind + "bit count");
            b.number(index, 4, u8, access::read_write, 1, kind + "slave id");
            b.number(index, 5, u8, access::read_write, 0, kind + "register type");
            b.number(index, 6, u8, access::read_write, 0, kind + "run");
            add_word_written_wide(b, index, 7, access::read_write, kind + "time-out count");
        }
}

void add_can_objects(slave_builder& b)
{
    b.number(0x2609, 0, u8, access::read_only, 2);
    b.number(0x2609, 1, u32, access::read_write, 500000, "CAN nominal bit rate");
    b.number(0x2609, 2, u32, access::read_write, 1000000, "CAN FD data bit rate");

    b.number(0x2610, 0, u8, access::read_only, 6);
    b.number(0x2610, 1, u16, access::read_write, 0, "CAN send trigger");
    b.number(0x2610, 2, u32, access::read_write, 0, "CAN send identifier");
    b.number(0x2610, 3, u16, access::read_only, 0, "CAN frames sent");
    b.number(0x2610, 4, u16, access::read_write, 0, "CAN send length");
    b.number(0x2610, 5, u16, access::read_write, 0, "CAN send format");
    b.number(0x2610, 6, u16, access::read_write, 0, "CAN send type");
    b.number(0x2611, 0, u8, access::read_only, 6);
    b.number(0x2611, 1, u16, access::read_write, 0, "CAN receive request");
    b.number(0x2611, 2, u32, access::read_only, 0, "CAN received identifier");
    b.number(0x2611, 3, u16, access::read_only, 0, "CAN frames waiting");
    b.number(0x2611, 4, u16, access::read_only, 0, "CAN received length");
    b.number(0x2611, 5, u16, access::read_only, 0, "CAN received format");
    b.number(0x2611, 6, u16, access::read_only, 0, "CAN received type");
    data_words(b, 0x2612, 16, access::read_write, "CAN send data");
    data_words(b, 0x2613, 16, access::read_only, "CAN received data");
}

} // namespace sim::cards
