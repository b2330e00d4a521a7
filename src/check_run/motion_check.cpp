// Encoder, pulse counter, PWM, comparators and their latches, as far as the jig shows them:
// the jig turns the encoder and feeds the counter a pulse train, so both must move; nothing
// on the jig reads the PWM outputs back, so their settings are read back from the card; each
// comparator's input is fed from the DA of the same number, so a DA step across the
// threshold must switch it and latch the AD input on that DA at the level that input reads.
#include <algorithm>
#include <cmath>

#include "check_run/card_checks.h"

namespace check {

namespace {

constexpr int pwm_outputs = 2;
constexpr int comparators = 2;
constexpr double comparator_step_v = 1.0; // below and above the threshold by this much

void check_counter(check_context& context, card_port::counter_kind kind, const std::string& name)
{
    const motion_plan& plan = context.plan.motion;
    check_timer timer(context);
    int64_t first = 0, last = 0;
    bool read = context.port.clear_counters() && context.port.read_counter(kind, first);
    context.port.pause_ms(plan.window_ms);
    read = read && context.port.read_counter(kind, last);
    if (!read) {
        timer.finish(observed(name, context.port.error()));
        return;
    }
    check_result result = measured(name, double(last - first), plan.minimum_counts, 0, "counts",
                                   "within " + std::to_string(plan.window_ms) + " ms");
    result.high.reset(); // no upper limit: the jig's speed is not the card's business
    result.verdict = last - first >= plan.minimum_counts ? verdict::pass : verdict::fail;
    timer.finish(result);
}

void check_pwm(check_context& context, int channel)
{
    const motion_plan& plan = context.plan.motion;
    check_timer timer(context);
    std::string name = "motion.pwm" + std::to_string(channel);
    double hertz = 0, duty = 0;
    bool read = context.port.write_pwm(channel, plan.pwm_frequency_hz, plan.pwm_duty)
        && context.port.read_pwm(channel, hertz, duty);
    bool off = context.port.write_pwm(channel, plan.pwm_frequency_hz, 0);
    if (!read || !off) {
        timer.finish(observed(name, context.port.error()));
        return;
    }
    constexpr double step = 1.0 / 65536; // the card's 16.16 frequency and 16-bit duty
    double slack = std::max(plan.pwm_frequency_hz * 1e-4, step);
    check_result result = measured(name, hertz, plan.pwm_frequency_hz - slack, plan.pwm_frequency_hz + slack, "Hz",
                                   "read back; duty " + short_number(duty) + " of " + short_number(plan.pwm_duty));
    if (std::fabs(duty - plan.pwm_duty) > 2 * step)
        result.verdict = verdict::fail;
    timer.finish(result);
}

void check_comparator(check_context& context, int comparator)
{
    const motion_plan& plan = context.plan.motion;
    const int settle = context.plan.analog.settle_ms;
    check_timer timer(context);
    std::string name = "motion.comparator" + std::to_string(comparator);
    double below = std::max(0.0, plan.comparator_threshold_v - comparator_step_v);
    double above = std::min(10.0, plan.comparator_threshold_v + comparator_step_v);
    card_port& port = context.port;
    bool low_state = true, high_state = false;
    double latched = 0;
    bool done =
        port.write_comparator_threshold(comparator, plan.comparator_threshold_v) && port.write_da(comparator, below);
    port.pause_ms(settle);
    done = done && port.read_comparator(comparator, low_state) && port.arm_comparator_latch(comparator, comparator)
        && port.write_da(comparator, above);
    port.pause_ms(settle);
    done = done && port.read_comparator(comparator, high_state) && port.read_latch(comparator, latched);
    // the latch is judged against what the AD input reads now, not against the DA: an AD
    // fault is the analog check's to find
    double read_low = 1e9, read_high = -1e9;
    for (int n = 0; done && n < context.plan.analog.samples; ++n) {
        double sample = 0;
        done = port.read_ad(comparator, sample);
        read_low = std::min(read_low, sample);
        read_high = std::max(read_high, sample);
    }
    std::string error = port.error();
    bool rested =
        port.disarm_latch(comparator) && port.write_da(comparator, 0) && port.write_comparator_threshold(comparator, 0);
    if (!done || !rested) {
        timer.finish(observed(name, done ? port.error() : error));
        return;
    }
    double tolerance = context.plan.analog.tolerance_v;
    check_result result = measured(name, latched, read_low - tolerance, read_high + tolerance, "V",
                                   std::string("threshold ") + short_number(plan.comparator_threshold_v)
                                       + " V: " + (low_state ? "high" : "low") + " at " + short_number(below) + " V, "
                                       + (high_state ? "high" : "low") + " at " + short_number(above) + " V; AD"
                                       + std::to_string(comparator) + " latched on the rising edge, as read");
    if (low_state || !high_state)
        result.verdict = verdict::fail;
    timer.finish(result);
}

} // namespace

void check_motion(check_context& context)
{
    const motion_plan& plan = context.plan.motion;
    if (plan.encoder && context.traits.encoder && !context.stop_requested())
        check_counter(context, card_port::counter_kind::encoder, "motion.encoder");
    if (plan.counter && context.traits.counter && !context.stop_requested())
        check_counter(context, card_port::counter_kind::pulse_counter, "motion.counter");
    if (plan.pwm && context.traits.pwm)
        for (int channel = 0; channel < pwm_outputs && !context.stop_requested(); ++channel)
            check_pwm(context, channel);
    if (plan.comparators && context.traits.comparators)
        for (int comparator = 0; comparator < comparators && !context.stop_requested(); ++comparator)
            check_comparator(context, comparator);
}

} // namespace check
