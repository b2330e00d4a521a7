#pragma once
#include <cstdint>

#include "ecat/fsm/al_state_change.h"
#include "ecat/fsm/pdo_reading.h"
#include "ecat/fsm/slave_configuration.h"
#include "ecat/fsm/slave_scan.h"

namespace ecat {

struct datagram;
struct master_core;
struct slave;
struct master_state_machine;

using master_fsm_state = void (*)(master_state_machine&);

// The master's top-level sequencer: watches the bus, rescans it on a change, keeps
// every slave in its requested state and re-arms the slave request machines.
struct master_state_machine {
    master_core* owner = nullptr;
    datagram* dgram = nullptr;
    int retries = 0;
    master_fsm_state state = nullptr;
    unsigned device_index = 0;
    bool idle = false;
    uint32_t scan_start_time = 0;
    uint8_t link_state = 0;
    unsigned slaves_responding = 0;
    bool rescan_required = false;
    // a scan that could not read every slave completely is repeated after a back-off
    bool scan_incomplete = false;
    bool rescan_pending = false;
    uint32_t rescan_time = 0;
    unsigned scan_repeats = 0;
    // a scan found no slave at a position below the broadcast's count: the count lied or
    // the bus changed, so the next received broadcast starts a fresh scan whatever it says
    bool recount_required = false;
    // broadcasts lost in a row since broadcast_lost_time
    bool broadcast_lost = false;
    uint32_t broadcast_lost_time = 0;
    uint8_t al_states = 0;
    slave* current_slave = nullptr;
    al_state_change change;
    slave_configuration configuration;
    slave_scan scan;
    pdo_reading pdos;
};

void master_fsm_init(master_state_machine& fsm, master_core& owner, datagram& d);
// Executes one step; the cycle queues the datagram afterwards.
void master_fsm_exec(master_state_machine& fsm);

} // namespace ecat
