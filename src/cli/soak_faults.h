#pragma once
#include <chrono>
#include <cstdint>
#include <random>
#include <string>

namespace sim {
class bus;
}

namespace cli {

// The faults of a soak run, one after another on the simulated bus: each is put on, held
// for its time, and taken off again; between them the bus runs with 1 % frame loss. The
// next fault comes a quiet time after the bus recovered, or once recovery is overdue.
class soak_faults {
public:
    using clock_type = std::chrono::steady_clock;

    soak_faults(sim::bus& segment, uint64_t seed);
    // Puts on or takes off what is due at now. Returns true when a fault was just taken
    // off (the bus should now recover).
    bool step(clock_type::time_point now);
    // The bus has recovered from the fault last taken off.
    void recovered(clock_type::time_point now);
    // Takes off whatever is on and leaves the background loss. Returns true when a fault
    // was on.
    bool clear();
    unsigned injected() const { return injected_; }
    const std::string& current() const { return current_; }
    // The fault last taken off.
    const std::string& last() const { return last_; }

    static constexpr double background_loss = 0.01;
    // a fault the bus has not recovered from this long after it was taken off is given up on
    static constexpr std::chrono::milliseconds recovery_overdue{20000};

private:
    void put_on(unsigned which);
    void take_off();

    sim::bus& bus_;
    std::mt19937_64 random_;
    unsigned next_ = 0;
    unsigned injected_ = 0;
    bool on_ = false;
    size_t victim_ = 0;
    std::string current_;
    std::string last_;
    clock_type::time_point next_change_;
};

} // namespace cli
