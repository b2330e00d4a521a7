#include "cli/soak_faults.h"

#include <algorithm>

#include "sim/bus/bus.h"

namespace cli {

namespace {

using std::chrono::milliseconds;

struct fault_kind {
    const char* name;
    milliseconds held;
};

// A long loss period, and short faults of every other kind.
constexpr fault_kind kinds[] = {
    {"loss 30 %", milliseconds(10000)},
    {"unplug", milliseconds(1500)},
    {"link down", milliseconds(1000)},
    {"AL error", milliseconds(500)},
    {"emergency in transfer", milliseconds(500)},
    {"corrupt burst", milliseconds(500)},
    {"replies delayed", milliseconds(2000)},
    {"mutated replies", milliseconds(2000)},
};
constexpr unsigned kind_count = sizeof kinds / sizeof kinds[0];
// the bus runs undisturbed this long after recovering before the next fault
constexpr milliseconds quiet_time(3000);

} // namespace

soak_faults::soak_faults(sim::bus& segment, uint64_t seed) : bus_(segment), random_(seed)
{
    bus_.set_drop_probability(background_loss);
    next_change_ = clock_type::now() + quiet_time;
}

bool soak_faults::step(clock_type::time_point now)
{
    if (now < next_change_)
        return false;
    if (on_) {
        take_off();
        next_change_ = now + recovery_overdue;
        return true;
    }
    unsigned which = next_++ % kind_count;
    put_on(which);
    next_change_ = now + kinds[which].held;
    return false;
}

void soak_faults::recovered(clock_type::time_point now)
{
    if (!on_)
        next_change_ = std::min(next_change_, now + quiet_time);
}

bool soak_faults::clear()
{
    if (!on_)
        return false;
    take_off();
    return true;
}

void soak_faults::put_on(unsigned which)
{
    on_ = true;
    ++injected_;
    current_ = kinds[which].name;
    size_t slaves = bus_.slave_count();
    victim_ = slaves ? size_t(random_() % slaves) : 0;
    switch (which) {
    case 0: bus_.set_drop_probability(0.3); break;
    case 1: bus_.unplug(victim_); break;
    case 2: bus_.set_link(false); break;
    case 3: bus_.raise_al_error(victim_, 0x0011); break;
    case 4: bus_.inject_emergency_during_transfer(victim_, 1); break;
    case 5: bus_.corrupt_datagram_lengths(20); break;
    case 6: bus_.set_reply_delay(3); break;
    default: bus_.set_mutation_probability(0.05); break;
    }
}

void soak_faults::take_off()
{
    on_ = false;
    last_ = current_;
    current_.clear();
    bus_.set_drop_probability(background_loss);
    bus_.replug(victim_);
    bus_.set_link(true);
    bus_.set_reply_delay(0);
    bus_.set_mutation_probability(0);
}

} // namespace cli
