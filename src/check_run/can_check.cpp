// CAN: the plan's classic and FD frames to the jig's echo node and back, compared.
#include <cstdio>

#include "check_run/card_checks.h"

namespace check {

namespace {

constexpr int poll_ms = 2;
constexpr int echo_limit_ms = 200;

port_can_frame frame_of(const can_frame_plan& plan, int number)
{
    port_can_frame frame;
    frame.identifier = plan.identifier;
    frame.fd = plan.fd;
    for (int n = 0; n < plan.length; ++n)
        frame.data.push_back(uint8_t(n * 31 + number * 17 + 1));
    return frame;
}

std::string frame_text(const port_can_frame& frame)
{
    char text[48];
    std::snprintf(text, sizeof text, "0x%X %s %zu", unsigned(frame.identifier), frame.fd ? "FD" : "classic",
                  frame.data.size());
    return text;
}

} // namespace

void check_can(check_context& context)
{
    const can_plan& plan = context.plan.can;
    if (!plan.enabled || !context.traits.can || plan.frames.empty() || context.stop_requested())
        return;
    check_timer timer(context);
    card_port& port = context.port;
    if (!port.can_open(plan.nominal_bit_rate, plan.data_bit_rate)) {
        timer.finish(observed("can.echo", port.error()));
        return;
    }
    port_can_frame stale; // a frame left from before is no echo of this check's
    while (port.can_receive(stale)) {
    }
    int echoed = 0;
    std::string detail;
    for (size_t n = 0; n < plan.frames.size(); ++n) {
        if (context.stop_requested())
            return;
        port_can_frame sent = frame_of(plan.frames[n], int(n)), got;
        bool arrived = false;
        if (port.can_send(sent))
            for (int waited = 0; !arrived && waited <= echo_limit_ms; waited += poll_ms) {
                arrived = port.can_receive(got);
                if (!arrived)
                    port.pause_ms(poll_ms);
            }
        std::string seen = !arrived ? (port.error().empty() ? "no echo" : port.error())
            : got == sent           ? "echoed"
                                    : "came back as " + frame_text(got) + " with other data";
        echoed += arrived && got == sent;
        detail += (detail.empty() ? "" : "; ") + frame_text(sent) + ": " + seen;
    }
    int count = int(plan.frames.size());
    timer.finish(measured("can.echo", echoed, count, count, "frames", detail));
}

} // namespace check
