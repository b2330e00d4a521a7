#pragma once
#include <cstdint>

#include "ecat/fsm/sii_access.h"

namespace ecat {

struct datagram;
struct slave;
struct slave_configuration;
struct pdo_reading;
struct slave_scan;

using slave_scan_state = void (*)(slave_scan&);

// Examines one slave after the slave table was rebuilt: station address, AL state,
// ESC and DC capabilities, DL status, the whole SII, and for CoE slaves PREOP and PDOs.
struct slave_scan {
    slave* target = nullptr;
    datagram* dgram = nullptr;
    slave_configuration* configuration = nullptr;
    pdo_reading* pdos = nullptr;
    int retries = 0;
    slave_scan_state state = nullptr;
    uint16_t sii_offset = 0;
    sii_access sii;
    // the slave could not be read completely: frames were lost or its SII failed
    bool incomplete = false;
    // nothing answered at the target's ring position
    bool absent = false;
};

void slave_scan_init(slave_scan& fsm, datagram& d, slave_configuration& configuration, pdo_reading& pdos);
// Starts on a slave; runs no step.
void slave_scan_start(slave_scan& fsm, slave& target);
// Executes one step. Returns true while the scan is still running.
bool slave_scan_exec(slave_scan& fsm);
bool slave_scan_done(const slave_scan& fsm);
bool slave_scan_failed(const slave_scan& fsm);
// True when the last scan was cut short by lost frames or a failed SII read rather
// than by something the slave refused.
bool slave_scan_incomplete(const slave_scan& fsm);
// True when no slave answered at the target's ring position: the bus holds fewer slaves
// than the scan was started for.
bool slave_scan_absent(const slave_scan& fsm);

} // namespace ecat
