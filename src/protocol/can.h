#pragma once
#include "protocol/object.h"

// The card's CAN port (KOVA-H): bit rates, one frame being sent, one frame being fetched.
namespace protocol::can {

constexpr object nominal_bit_rate{0x2609, 1, 4, "CAN nominal bit rate"};
constexpr object data_bit_rate{0x2609, 2, 4, "CAN FD data bit rate"};

// Sending: identifier, length, format and type, the data words, then a new trigger number.
constexpr object send_trigger{0x2610, 1, 2, "CAN send trigger"};
constexpr object send_identifier{0x2610, 2, 4, "CAN send identifier"};
constexpr object frames_sent{0x2610, 3, 2, "CAN frames sent"};
constexpr object send_length{0x2610, 4, 2, "CAN send length"};
constexpr object send_format{0x2610, 5, 2, "CAN send format"}; // 0 classic, 1 FD
constexpr object send_type{0x2610, 6, 2, "CAN send type"};     // 0 data, 1 remote frame

// Fetching: a new request number presents the next waiting frame.
constexpr object receive_request{0x2611, 1, 2, "CAN receive request"};
constexpr object received_identifier{0x2611, 2, 4, "CAN received identifier"};
constexpr object frames_waiting{0x2611, 3, 2, "CAN frames waiting"};
constexpr object received_length{0x2611, 4, 2, "CAN received length"};
constexpr object received_format{0x2611, 5, 2, "CAN received format"};
constexpr object received_type{0x2611, 6, 2, "CAN received type"};

constexpr int data_words = 16; // 64 bytes
constexpr object send_data(int word)
{
    return {0x2612, uint8_t(word + 1), 4, "CAN send data"};
}
constexpr object received_data(int word)
{
    return {0x2613, uint8_t(word + 1), 4, "CAN received data"};
}

} // namespace protocol::can
