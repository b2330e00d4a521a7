#pragma once
#include <cstdint>

namespace page_logic {

// The one-key test of the IO pages: the analog outputs under test climb by a step every
// analog period and wrap to 0 V after passing 10 V; the digital outputs alternate between
// 0xAAAA and 0x5555 every digital period. The page owns the timers and the writes.
class one_key_test {
public:
    static constexpr uint16_t first_word = 0xAAAA;
    static constexpr double start_volts = 1.0;
    // Window timers run no faster than this.
    static constexpr int minimum_period_ms = 10;

    bool running() const { return running_; }

    // Starts with the step (V) and the two periods (s) read from the page's edits;
    // returns the first output word.
    uint16_t start(double step_volts, double analog_period_s, double digital_period_s);
    void stop() { running_ = false; }

    // The periods as the timers run them: whole milliseconds, at least the minimum.
    int analog_period_ms() const { return analog_period_ms_; }
    int digital_period_ms() const { return digital_period_ms_; }

    // The next voltage of a channel whose polled raw value is raw.
    double next_voltage(uint16_t raw) const;
    // The output word of the next digital step: the last one inverted.
    uint16_t next_word();

private:
    bool running_ = false;
    double step_volts_ = 0;
    int analog_period_ms_ = 0;
    int digital_period_ms_ = 0;
    uint16_t word_ = first_word;
};

// Seconds as a timer period: × 1000 truncated to whole milliseconds, raised to the
// minimum; a negative period or one beyond the int range is the longest one.
int timer_period_ms(double seconds);

} // namespace page_logic
