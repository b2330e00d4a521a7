#pragma once
#include <cstddef>
#include <cstdint>

namespace ecat {

struct datagram;
struct sdo_request;
struct slave;
struct coe_transfer;

using coe_state = void (*)(coe_transfer&);

// One SDO transfer over a slave's mailbox. Runs on a datagram lent by its user for
// every step (the user sets `datagram` before calling coe_exec); the user executes
// a step only while that datagram is neither queued nor sent.
struct coe_transfer {
    slave* target = nullptr;
    datagram* dgram = nullptr;
    int retries = 0;
    coe_state state = nullptr;
    uint32_t response_start = 0;
    sdo_request* request = nullptr;
    uint32_t complete_size = 0;
    uint8_t toggle = 0;
    size_t bytes_transferred = 0;
    size_t bytes_remaining = 0;
    size_t segment_size = 0;
    uint8_t mailbox_counter = 0; // of the request last written
    // what the transfer writes first, once the send mailbox holds no old answer
    bool (*first_write)(coe_transfer&, bool again) = nullptr;
    coe_state after_first_write = nullptr;
    // SM1's activation byte as the master last wrote it; its repeat bit asks for an answer again
    uint8_t sm1_activate = 0;
    int repeats = 0; // repeat requests left to this transfer
    coe_state after_repeat = nullptr;
};

// Starts a download (request direction 1) or an upload (direction 2) and runs no step.
void coe_start(coe_transfer& fsm, slave& target, sdo_request& request);
// Executes one step. Returns true while the transfer is still running.
bool coe_exec(coe_transfer& fsm);
// Lets the transfer go on without its request, which its caller no longer waits for:
// it ends at its next step without touching the request again.
void coe_abandon(coe_transfer& fsm);
bool coe_done(const coe_transfer& fsm);
bool coe_failed(const coe_transfer& fsm);

} // namespace ecat
