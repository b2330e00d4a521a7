#pragma once
#include "protocol/modbus_status.h"
#include "protocol/object.h"
#include "protocol/usart.h"

// The card's eight Modbus Tx (written to a slave) and eight Rx (read from it) channels. They
// run on the serial port in Modbus mode (protocol/usart.h) and share its data words.
namespace protocol::modbus {

constexpr int channel_count = 8;

struct channel {
    uint16_t index;
    int number; // 0…7

    constexpr object status() const { return {index, 1, 2, "Modbus status"}; } // modbus_status bits
    constexpr object register_address() const { return {index, 2, 2, "Modbus register address"}; }
    constexpr object bit_count() const { return {index, 3, 1, "Modbus bit count"}; }
    constexpr object slave_id() const { return {index, 4, 1, "Modbus slave id"}; }
    // 1 coil, 2 discrete input, 3 input register, 4 holding register; 0 none
    constexpr object register_type() const { return {index, 5, 1, "Modbus register type"}; }
    constexpr object run() const { return {index, 6, 1, "Modbus run"}; }
    // Also taken as a 32-bit write whose upper word is zero.
    constexpr object timeout_count() const { return {index, 7, 2, "Modbus time-out count"}; }
};

constexpr channel tx_channel(int n)
{
    return {uint16_t(0x3000 + n), n};
}
constexpr channel rx_channel(int n)
{
    return {uint16_t(0x3020 + n), n};
}
constexpr uint8_t timeout_count_write_size = 4;

// A Tx channel's data is the serial send word of its number, an Rx channel's the received one.
constexpr object tx_data(int n)
{
    object word = usart::send_data(n);
    word.meaning = "Modbus Tx data";
    return word;
}
constexpr object rx_data(int n)
{
    object word = usart::received_data(n);
    word.meaning = "Modbus Rx data";
    return word;
}

} // namespace protocol::modbus
