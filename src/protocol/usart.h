#pragma once
#include "protocol/object.h"

// The card's serial port: its settings and the mailbox that carries blocks of up to 32 bytes
// each way. The Modbus channels share the port and the data words (protocol/modbus.h).
namespace protocol::usart {

constexpr object modbus_response_timeout{0x2402, 1, 2, "Modbus response time-out (0.1 ms)"};
constexpr object baud_rate{0x2402, 2, 4, "Baud rate"};
constexpr object modbus_interval{0x2402, 3, 2, "Modbus interval (ms)"};
constexpr object serial_mode{0x2402, 4, 1, "Serial mode (1 custom protocol, 0 Modbus)"};
constexpr uint8_t custom_protocol_mode = 1;
constexpr uint8_t modbus_mode = 0;
constexpr object data_bits{0x2402, 5, 2, "Data bits"};
constexpr object parity{0x2402, 6, 2, "Parity"};       // 0 none, 1 odd, 2 even
constexpr object stop_bits{0x2402, 7, 2, "Stop bits"}; // 0 one, 1 two

// Sending: stage the words, set the length, then a new trigger number sends the block.
constexpr object send_state{0x2600, 1, 2, "Send state"}; // 0 sending, 0x00FF idle
constexpr uint16_t send_idle = 0x00FF;
constexpr object blocks_sent{0x2600, 2, 2, "Blocks sent"};
constexpr object send_trigger{0x2600, 3, 2, "Send trigger"};
constexpr object send_length{0x2600, 4, 2, "Send length"};

// Receiving: the host marks itself busy, reads the block's number, length and words, and
// takes a block whose number differs from the last one it took.
constexpr object receive_available{0x2601, 1, 2, "Receive data available"};
constexpr object host_busy{0x2601, 2, 2, "Host busy"};
constexpr uint16_t host_busy_mark = 0x00FF;
constexpr object received_block_number{0x2601, 3, 2, "Received block number"};
constexpr object received_block_length{0x2601, 4, 2, "Received block length"};

constexpr int block_bytes = 32;
constexpr int block_words = 8;
constexpr object send_data(int word)
{
    return {0x2602, uint8_t(word + 1), 4, "Send data"};
}
constexpr object received_data(int word)
{
    return {0x2603, uint8_t(word + 1), 4, "Received data"};
}

} // namespace protocol::usart
