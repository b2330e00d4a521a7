#pragma once
#include <array>
#include <cstdint>

#include "protocol/analog.h"
#include "sim/cards/card_hooks.h"

namespace sim::cards {

// The AD converter clock. Writes to the clock fields are staged; the apply command checks
// them and makes them the running clock. Reads of the fields show the running clock.
class ad_clock {
public:
    static constexpr uint16_t apply_command = protocol::analog::ad_clock_apply_command;
    static constexpr double highest_mhz = 80.0;

    ad_clock() { staged_ = running_; }

    void install(card_hooks& hooks);
    void reset(object_dictionary& dictionary);

    // source, PLLM, PLLN, PLLP, sampling time, prescaler
    using settings = std::array<int32_t, 6>;
    const settings& running() const { return running_; }
    // The converter clock a setting gives in MHz; 0 for a setting the card cannot run.
    static double clock_mhz(const settings& s);

private:
    settings running_{1, 5, 80, 5, 8, 4};
    settings staged_;
};

} // namespace sim::cards
