#pragma once
#include <cstdint>

namespace ecat {

struct datagram;
struct slave;
struct al_state_change;

using al_change_state = void (*)(al_state_change&);

enum class al_change_mode : int { full = 0, acknowledge = 1 };

// Moves a slave to a requested AL state, or acknowledges its AL error.
struct al_state_change {
    slave* target = nullptr;
    datagram* dgram = nullptr;
    int retries = 0;
    al_change_state state = nullptr;
    al_change_mode mode = al_change_mode::full;
    uint16_t requested_state = 0;
    uint8_t old_state = 0;
    uint32_t start_time = 0;
    bool take_time = false;
    bool spontaneous_change = false;
};

// Starts a full change to requested_state; runs no step.
void al_change_start(al_state_change& fsm, slave& target, datagram& d, uint16_t requested_state);
// Starts an acknowledge of the slave's AL error; runs no step.
void al_acknowledge_start(al_state_change& fsm, slave& target, datagram& d);
// Executes one step. Returns true while the machine is still running.
bool al_change_exec(al_state_change& fsm);
bool al_change_done(const al_state_change& fsm);
bool al_change_failed(const al_state_change& fsm);

} // namespace ecat
