#pragma once
#include <chrono>
#include <cstdint>

#include "ecat/fsm/coe.h"

namespace ecat {

struct datagram;
struct sdo_request;
struct slave;
struct slave_request_machine;

using slave_request_state = void (*)(slave_request_machine&);

// Serves a slave's queued SDO requests, one at a time, on ring datagrams that the
// master cycle lends it for every step.
struct slave_request_machine {
    slave* owner = nullptr;
    slave_request_state state = nullptr;
    datagram* dgram = nullptr;  // datagram of the step in flight
    sdo_request* sdo = nullptr; // request in service
    coe_transfer coe;
    // kept by the cycle: status polls sent within the tick it counts, and when the last one went
    uint64_t poll_tick = 0;
    int polls_in_tick = 0;
    std::chrono::steady_clock::time_point last_step{};
};

void slave_request_init(slave_request_machine& fsm, slave& owner);
// Executes one step on the given datagram.
void slave_request_exec(slave_request_machine& fsm, datagram& d);
bool slave_request_is_end(const slave_request_machine& fsm);
bool slave_request_is_ready(const slave_request_machine& fsm);
void slave_request_set_ready(slave_request_machine& fsm);
// Takes the request out of service when it is the one being served; its transfer
// ends at the next step without touching it. True when it was in service.
bool slave_request_withdraw(slave_request_machine& fsm, const sdo_request& request);
// Fails the request in service, if any (used when the slave record is released).
void slave_request_fail_in_service(slave_request_machine& fsm);

} // namespace ecat
