#pragma once
#include <string>

#include "sim/bus/bus.h"

namespace sim {

// Faults asked of a running bus by a line of text, as kestio-sim reads them from its input:
//   unplug N | replug N | link up|down | drop P | delay FRAMES | corrupt [COUNT]
//   refuse N STATE [CODE] | refuse N none | al-error N CODE | sii-busy N POLLS | sii-error N [COUNT]
//   mailbox-error N CODE [COUNT] | emergency N CODE | emergency-in-transfer N [COUNT]
//   slow-mailbox N FRAMES
// and the card faults (cards::card_fault_help). N is a slave's place on the bus from 0. Returns false with a readable error for a line
// it does not understand; an empty line is accepted and does nothing.
bool run_fault_command(const std::string& line, bus& segment, std::string& error);

extern const char* const fault_command_help;

} // namespace sim
