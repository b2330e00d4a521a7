#pragma once
#include <cstdint>

namespace ecat {

struct datagram;
struct slave;
struct sii_access;

using sii_state = void (*)(sii_access&);

// Reads two SII words through the ESC's SII interface (0x0502..0x050B).
struct sii_access {
    slave* target = nullptr;
    datagram* dgram = nullptr;
    int retries = 0;
    sii_state state = nullptr;
    uint16_t word_address = 0;
    uint32_t value = 0; // word (address) in the low half, word (address + 1) in the high half
    uint32_t start_time = 0;
    bool check_once_more = false;
};

// Starts a read of two words at word_address on the lent datagram; runs no step.
void sii_read_start(sii_access& fsm, slave& target, datagram& d, uint16_t word_address);
// Executes one step. Returns true while the read is still running.
bool sii_exec(sii_access& fsm);
bool sii_done(const sii_access& fsm);
bool sii_failed(const sii_access& fsm);

} // namespace ecat
