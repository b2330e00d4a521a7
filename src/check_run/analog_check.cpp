// Analog: each DA output set to the plan's voltages, the AD inputs wired to it sampled. One
// level check and one noise check per wire, so that an offset or a gain fault fails the
// level check of its channel and noise the noise check, each naming the channel.
#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "check_run/card_checks.h"

namespace check {

namespace {

struct wire_figures {
    double worst_mean = 0;   // the mean farthest from its set voltage
    double worst_set = 0;    // that voltage
    double worst_spread = 0; // the largest spread of one voltage's samples
    double spread_at = 0;    // at this voltage
    std::string levels;      // "0.5 V: 0.501, 2.5 V: 2.499, …"
    bool measured = false;
};

std::string wire_name(const jig_wire& wire)
{
    return "analog.da" + std::to_string(wire.from) + "_ad" + std::to_string(wire.to);
}

} // namespace

void check_analog(check_context& context)
{
    const analog_plan& plan = context.plan.analog;
    if (!plan.enabled || plan.wiring.empty() || plan.voltages.empty())
        return;
    check_timer timer(context);
    std::map<int, std::vector<jig_wire>> by_output; // one DA setting serves every AD it feeds
    for (const jig_wire& wire : plan.wiring)
        by_output[wire.from].push_back(wire);
    std::vector<wire_figures> figures(plan.wiring.size());
    auto figures_of = [&](const jig_wire& wire) -> wire_figures& {
        return figures[size_t(std::find(plan.wiring.begin(), plan.wiring.end(), wire) - plan.wiring.begin())];
    };
    for (const auto& [da, wires] : by_output) {
        for (double volts : plan.voltages) {
            if (context.stop_requested())
                return;
            if (!context.port.write_da(da, volts)) {
                timer.finish(observed("analog.transfer", context.port.error()));
                static_cast<void>(context.port.write_da(da, 0));
                return;
            }
            context.port.pause_ms(plan.settle_ms);
            for (const jig_wire& wire : wires) {
                double low = 1e9, high = -1e9, sum = 0;
                for (int n = 0; n < plan.samples; ++n) {
                    double sample = 0;
                    if (!context.port.read_ad(wire.to, sample)) {
                        timer.finish(observed("analog.transfer", context.port.error()));
                        static_cast<void>(context.port.write_da(da, 0));
                        return;
                    }
                    low = std::min(low, sample);
                    high = std::max(high, sample);
                    sum += sample;
                }
                double mean = sum / plan.samples;
                wire_figures& f = figures_of(wire);
                if (!f.measured || std::fabs(mean - volts) > std::fabs(f.worst_mean - f.worst_set)) {
                    f.worst_mean = mean;
                    f.worst_set = volts;
                }
                if (!f.measured || high - low > f.worst_spread) {
                    f.worst_spread = high - low;
                    f.spread_at = volts;
                }
                f.measured = true;
                f.levels += (f.levels.empty() ? "" : ", ") + short_number(volts) + " V: " + short_number(mean);
            }
        }
        if (!context.port.write_da(da, 0)) {
            timer.finish(observed("analog.transfer", context.port.error()));
            return;
        }
    }
    for (size_t n = 0; n < plan.wiring.size(); ++n) {
        const wire_figures& f = figures[n];
        std::string name = wire_name(plan.wiring[n]);
        timer.finish(measured(name, f.worst_mean, f.worst_set - plan.tolerance_v, f.worst_set + plan.tolerance_v, "V",
                              "worst at " + short_number(f.worst_set) + " V; " + f.levels));
        timer.finish(measured(name + ".noise", f.worst_spread, 0, plan.noise_limit_v, "V",
                              "largest spread of " + std::to_string(plan.samples) + " samples, at "
                                  + short_number(f.spread_at) + " V"));
    }
}

} // namespace check
