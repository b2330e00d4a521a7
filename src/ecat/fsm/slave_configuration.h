#pragma once
#include <cstdint>

#include "ecat/fsm/al_state_change.h"

namespace ecat {

struct datagram;
struct slave;
struct slave_configuration;

using slave_configuration_state = void (*)(slave_configuration&);

// Takes a slave down to INIT, clears FMMUs, sync managers and DC activation, sets up
// its mailbox sync managers and brings it to PREOP (or BOOT when requested).
struct slave_configuration {
    datagram* dgram = nullptr;
    al_state_change* change = nullptr; // the state change machine it drives
    slave* target = nullptr;
    slave_configuration_state state = nullptr;
    int retries = 0;
    bool take_time = false;
    uint32_t start_time = 0;
};

void slave_configuration_init(slave_configuration& fsm, datagram& d, al_state_change& change);
// Starts on a slave; runs no step.
void slave_configuration_start(slave_configuration& fsm, slave& target);
// Executes one step. Returns true while the machine is still running.
bool slave_configuration_exec(slave_configuration& fsm);
bool slave_configuration_done(const slave_configuration& fsm);
bool slave_configuration_failed(const slave_configuration& fsm);

} // namespace ecat
