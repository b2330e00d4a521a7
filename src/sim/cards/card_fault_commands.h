#pragma once
#include <cstddef>
#include <string>

#include "sim/bus/bus.h"

namespace sim::cards {

// One card fault as it is typed, e.g. "stuck 1 out 3 0" or "ad-gain 0 2 1.05".
struct card_fault {
    enum class kind {
        stuck_output,
        stuck_input,
        short_outputs,
        ad_offset,
        ad_gain,
        ad_noise,
        serial_dead,
        can_dead,
        modbus_dead,
        card_ok
    };
    kind what = kind::card_ok;
    size_t slave = 0;
    unsigned first = 0;  // bit or AD channel
    unsigned second = 0; // the stuck level, or the other bit of a short
    double value = 0;    // millivolts, factor or counts
};

// Whether a line's first word is the name of a card fault.
bool is_card_fault(const std::string& line);
// Reads one card fault; false with the form it should have had.
bool parse_card_fault(const std::string& line, card_fault& out, std::string& error);
// Puts the fault on its card (card-ok clears the card's faults). False with the reason when
// the bus has no such slave, the slave is no IO card, or the card lacks the bit, the channel
// or the port the fault names.
bool apply_card_fault(bus& segment, const card_fault& fault, std::string& error);
// Both, for a line: the error names the line.
bool run_card_fault(bus& segment, const std::string& line, std::string& error);

extern const char* const card_fault_help;

} // namespace sim::cards
