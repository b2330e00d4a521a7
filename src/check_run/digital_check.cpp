// Digital IO: walking one and walking zero over every output, each input compared with what
// the jig wiring feeds it. The readings are judged per input afterwards, so that one fault
// fails one check: a stuck bit or dead channel its wire's check, a short (two inputs that read
// alike, or an input that also follows another output) the shorts check.
#include <string>
#include <vector>

#include "check_run/card_checks.h"

namespace check {

namespace {

struct step {
    std::string name; // "out3 alone high"
    uint32_t pattern = 0;
    uint32_t expected = 0;
    uint32_t read = 0;
};

uint32_t fed_inputs(const std::vector<jig_wire>& wiring, uint32_t pattern)
{
    uint32_t inputs = 0;
    for (const jig_wire& wire : wiring)
        if ((pattern >> wire.from) & 1)
            inputs |= 1u << wire.to;
    return inputs;
}

bool bit(uint32_t word, int n)
{
    return (word >> n) & 1;
}

enum class input_state { follows, stuck_low, stuck_high, shorted, wrong };

struct input_finding {
    input_state state = input_state::follows;
    std::string detail;
};

input_finding judge_alone(const std::vector<step>& steps, int input)
{
    bool any_high = false, any_low = false, wanted_high = false, wanted_low = false;
    std::string first_wrong;
    for (const step& s : steps) {
        bool got = bit(s.read, input), want = bit(s.expected, input);
        (got ? any_high : any_low) = true;
        (want ? wanted_high : wanted_low) = true;
        if (got != want && first_wrong.empty())
            first_wrong = "in" + std::to_string(input) + (got ? " high" : " low") + " with " + s.name;
    }
    if (first_wrong.empty())
        return {};
    if (!any_high && wanted_high)
        return {input_state::stuck_low, "in" + std::to_string(input) + " stays low (dead channel or stuck bit)"};
    if (!any_low && wanted_low)
        return {input_state::stuck_high, "in" + std::to_string(input) + " stays high (stuck bit)"};
    return {input_state::wrong, first_wrong};
}

// Two inputs that read alike in every step although they were fed differently.
bool move_together(const std::vector<step>& steps, int a, int b)
{
    bool fed_apart = false;
    for (const step& s : steps) {
        if (bit(s.read, a) != bit(s.read, b))
            return false;
        fed_apart |= bit(s.expected, a) != bit(s.expected, b);
    }
    return fed_apart;
}

// The output other than its own that an input also follows (wired or, or wired and), or -1.
int also_follows(const std::vector<step>& steps, int input, int own_output, int outputs)
{
    for (int other = 0; other < outputs; ++other) {
        if (other == own_output)
            continue;
        bool as_or = true, as_and = true;
        for (const step& s : steps) {
            bool got = bit(s.read, input), want = bit(s.expected, input), driven = bit(s.pattern, other);
            as_or = as_or && got == (want || driven);
            as_and = as_and && got == (want && driven);
        }
        if (as_or || as_and)
            return other;
    }
    return -1;
}

} // namespace

void check_digital(check_context& context)
{
    const digital_plan& plan = context.plan.digital;
    if (!plan.enabled || plan.wiring.empty())
        return;
    check_timer timer(context);
    const int outputs = context.traits.digital_outputs;
    const uint32_t all = outputs >= 32 ? 0xFFFFFFFFu : (1u << outputs) - 1;
    std::vector<step> steps;
    for (int out = 0; out < outputs; ++out) {
        steps.push_back({"out" + std::to_string(out) + " alone high", 1u << out});
        steps.push_back({"out" + std::to_string(out) + " alone low", all & ~(1u << out)});
    }
    for (step& s : steps) {
        if (context.stop_requested())
            return;
        s.expected = fed_inputs(plan.wiring, s.pattern);
        bool done = context.port.write_outputs(s.pattern);
        context.port.pause_ms(plan.settle_ms);
        if (!done || !context.port.read_inputs(s.read)) {
            timer.finish(observed("digital.transfer", context.port.error()));
            static_cast<void>(context.port.write_outputs(0));
            return;
        }
    }
    static_cast<void>(context.port.write_outputs(0));

    std::vector<input_finding> findings(32);
    for (const jig_wire& wire : plan.wiring)
        findings[size_t(wire.to)] = judge_alone(steps, wire.to);
    std::string shorts;
    for (size_t a = 0; a < plan.wiring.size(); ++a)
        for (size_t b = a + 1; b < plan.wiring.size(); ++b) {
            int in_a = plan.wiring[a].to, in_b = plan.wiring[b].to;
            input_finding &fa = findings[size_t(in_a)], &fb = findings[size_t(in_b)];
            bool stuck = fa.state == input_state::stuck_low || fa.state == input_state::stuck_high
                || fb.state == input_state::stuck_low || fb.state == input_state::stuck_high;
            if (stuck || !move_together(steps, in_a, in_b))
                continue;
            std::string pair = "in" + std::to_string(in_a) + "-in" + std::to_string(in_b);
            shorts += (shorts.empty() ? "" : ", ") + pair;
            fa = fb = {input_state::shorted, pair + " shorted (see digital.shorts)"};
        }
    for (const jig_wire& wire : plan.wiring) {
        input_finding& f = findings[size_t(wire.to)];
        int other = f.state == input_state::wrong ? also_follows(steps, wire.to, wire.from, outputs) : -1;
        if (other < 0)
            continue;
        std::string pair = "in" + std::to_string(wire.to) + "-out" + std::to_string(other);
        shorts += (shorts.empty() ? "" : ", ") + pair;
        f = {input_state::shorted, pair + " shorted (see digital.shorts)"};
    }
    for (const jig_wire& wire : plan.wiring) {
        const input_finding& f = findings[size_t(wire.to)];
        std::string name = "digital.out" + std::to_string(wire.from) + "_in" + std::to_string(wire.to);
        bool passed = f.state == input_state::follows || f.state == input_state::shorted;
        std::string detail = f.state == input_state::follows ? "in" + std::to_string(wire.to) + " follows out"
                + std::to_string(wire.from) + " in " + std::to_string(steps.size()) + " steps"
                                                             : f.detail;
        timer.pass_if(passed, observed(name, detail));
    }
    timer.pass_if(
        shorts.empty(),
        observed("digital.shorts", shorts.empty() ? "no input follows another channel" : shorts + " shorted"));
}

} // namespace check
