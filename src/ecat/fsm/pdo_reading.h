#pragma once
#include <cstdint>

#include "ecat/fsm/coe.h"
#include "ecat/pdo.h"
#include "ecat/sdo_request.h"

namespace ecat {

struct datagram;
struct slave;
struct sync_manager;
struct pdo_reading;
struct pdo_entry_reading;

using pdo_reading_state = void (*)(pdo_reading&);
using pdo_entry_reading_state = void (*)(pdo_entry_reading&);

// Reads the entries a PDO maps (object P, subindices 0..n).
struct pdo_entry_reading {
    coe_transfer coe;
    sdo_request request;
    pdo* target = nullptr;
    unsigned entry_count = 0;
    unsigned entry_position = 0;
    pdo_entry_reading_state state = nullptr;
};

// Reads the PDO assignment of the process-data sync managers (0x1C10 + n) over CoE.
struct pdo_reading {
    slave* target = nullptr;
    datagram* dgram = nullptr;
    coe_transfer coe;
    pdo_reading_state state = nullptr;
    uint8_t sync_manager_index = 0;
    sync_manager* current_sync_manager = nullptr;
    sdo_request request;
    unsigned pdo_count = 0;
    unsigned pdo_position = 0;
    pdo_list temporary;
    pdo_entry_reading entries;
};

// Starts on a slave with the lent datagram and executes the first upload step at
// once. Returns true while the machine is still running (false: nothing to read).
bool pdo_reading_start(pdo_reading& fsm, slave& target, datagram& d);
// Executes one step. Returns true while the machine is still running.
bool pdo_reading_exec(pdo_reading& fsm);

// Starts reading the entries of target, executing the first upload step at once on
// the lent datagram. Returns true while the machine is still running.
bool pdo_entry_reading_start(pdo_entry_reading& fsm, slave& owner, datagram& d, pdo& target);
// Executes one step on the lent datagram. Returns true while still running.
bool pdo_entry_reading_exec(pdo_entry_reading& fsm, datagram& d);

// Prepares an upload of index:subindex in the request (queued, no error, 1000 ms
// response time-out) and starts the CoE machine on it; runs no step.
void pdo_upload_start(coe_transfer& coe, sdo_request& request, slave& target, uint16_t index, uint8_t subindex);

} // namespace ecat
