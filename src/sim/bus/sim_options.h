#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "sim/bus/bus.h"

namespace sim {

// The command line of kestio-sim.
struct sim_options {
    struct state_refusal {
        size_t slave;
        uint8_t state;
        uint16_t code;
    };
    struct coded_fault {
        size_t slave;
        uint16_t code;
    };

    std::string interface;
    std::string slaves;
    // --slave items, put on the bus after the --slaves list
    std::vector<std::string> added_slaves;
    uint64_t seed = 1;
    double drop_probability = 0;
    double mutate_probability = 0; // share of replies mutated like a broken slave's
    unsigned reply_delay = 0;
    unsigned sii_busy_polls = 0;
    std::vector<state_refusal> refusals;
    std::vector<coded_fault> al_errors;
    std::vector<coded_fault> mailbox_errors;
    std::vector<std::string> card_faults; // as typed, e.g. "stuck 0 out 3 1"
    bool help = false;
};

// Returns false with a readable error for an unknown option or a bad value.
bool parse_sim_options(const std::vector<std::string>& arguments, sim_options& out, std::string& error);
// The slave list the options give: --slaves, then every --slave; --slave alone replaces the
// default list.
std::string slave_list(const sim_options& options);
// Puts the options' faults on the bus; false when one names a slave the bus does not have.
bool apply_faults(const sim_options& options, bus& segment, std::string& error);

extern const char* const sim_usage;

// A decimal or 0x-prefixed number no larger than limit.
bool parse_unsigned(const std::string& text, uint64_t limit, uint64_t& out);
// INIT, PREOP, BOOT, SAFEOP or OP.
bool parse_al_state(const std::string& text, uint8_t& out);

} // namespace sim
