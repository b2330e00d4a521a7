#pragma once
#include <cstddef>
#include <cstdint>

#include "ecat/result.h"

namespace ecat {

struct datagram;
struct slave;

constexpr uint8_t mailbox_type_error = 0x00;
constexpr uint8_t mailbox_type_coe = 0x03;
constexpr size_t mailbox_header_size = 6;

// Sets up an FPWR of the whole receive mailbox with the header for `size` bytes of
// service data and returns the payload area, or nullptr with error set to -123 (no
// mailbox protocols), -139 (mailbox smaller than size + 6) or -12.
// The header carries `counter` (0..7, see mailbox_next_counter).
uint8_t* mailbox_prepare_send(slave& s, datagram& d, uint8_t type, size_t size, uint8_t counter, int& error);
// The counter of a new request to the slave: 0 for the first after the slave was found,
// then 1..7 in turn. A slave takes a request with its last counter for one written
// again and serves it only once; after a rescan its last counter is unknown, and 0 is
// never taken for a repeat. A request written again keeps its counter.
uint8_t mailbox_next_counter(slave& s);
// FPRD of the sync manager 1 registers (0x0808, 8 bytes), zeroed.
int mailbox_prepare_check(slave& s, datagram& d);
// True when the send mailbox holds a message (bit 3 of the SM1 status byte).
bool mailbox_full(const datagram& d);
// True for an answered status check that found the send mailbox still empty.
bool mailbox_status_empty(const datagram& d);
// FPRD of the whole send mailbox, zeroed.
int mailbox_prepare_fetch(slave& s, datagram& d);

struct mailbox_message {
    const uint8_t* payload = nullptr;
    size_t length = 0;
    uint8_t type = 0;
    uint16_t error_code = 0; // of a mailbox error reply
};

// Parses a fetched mailbox. Returns 0 with the message, or -71 for a length that
// does not fit the mailbox or a mailbox error reply (its code in message.error_code).
int mailbox_parse_fetched(const slave& s, const datagram& d, mailbox_message& message);

// Text of a mailbox error code; nullptr when unknown.
const char* mailbox_error_text(uint16_t code);

} // namespace ecat
