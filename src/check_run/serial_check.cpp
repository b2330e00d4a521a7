// Serial port through the jig's loop-back at each of the plan's rates, and a holding register
// of the jig's Modbus slave written and read back through the card's Modbus channels.
#include <algorithm>
#include <cstdio>

#include "check_run/card_checks.h"

namespace check {

namespace {

constexpr int poll_ms = 2;

// every byte value turns up across the rates; neighbours differ
std::vector<uint8_t> pattern(int length, int rate_index)
{
    std::vector<uint8_t> bytes(static_cast<size_t>(length));
    for (int n = 0; n < length; ++n)
        bytes[size_t(n)] = uint8_t(n * 73 + rate_index * 29 + 0x55);
    return bytes;
}

// How long the bytes need on the line, twice, and 100 ms for the card's mailbox.
int wait_limit_ms(int length, int baud)
{
    return 100 + int(2.0 * length * 10 * 1000 / baud);
}

// the bytes back in order; what was seen goes to detail
int judge_loopback(const std::vector<uint8_t>& sent, const std::vector<uint8_t>& got, std::string& detail)
{
    size_t same = 0;
    while (same < sent.size() && same < got.size() && sent[same] == got[same])
        ++same;
    char text[96];
    if (same < sent.size() && same < got.size())
        std::snprintf(text, sizeof text, "byte %zu was 0x%02X, expected 0x%02X", same, got[same], sent[same]);
    else if (got.size() > sent.size())
        std::snprintf(text, sizeof text, "%zu bytes more than sent", got.size() - sent.size());
    else
        std::snprintf(text, sizeof text, "%zu of %zu bytes back", got.size(), sent.size());
    detail = text;
    return got.size() > sent.size() ? 0 : int(same); // extra bytes fail the rate too
}

} // namespace

void check_serial(check_context& context)
{
    const serial_plan& plan = context.plan.serial;
    if (!plan.enabled || !context.traits.serial || plan.baud_rates.empty())
        return;
    check_timer timer(context);
    card_port& port = context.port;
    int worst = plan.pattern_bytes;
    std::string detail;
    for (size_t rate = 0; rate < plan.baud_rates.size(); ++rate) {
        if (context.stop_requested())
            return;
        int baud = plan.baud_rates[rate];
        std::vector<uint8_t> sent = pattern(plan.pattern_bytes, int(rate)), got;
        bool ok = port.serial_open(baud) && port.serial_send(sent);
        for (int waited = 0; ok && got.size() < sent.size() && waited <= wait_limit_ms(plan.pattern_bytes, baud);
             waited += poll_ms) {
            ok = port.serial_receive(got);
            if (got.size() < sent.size())
                port.pause_ms(poll_ms);
        }
        std::string rate_detail = ok ? std::string() : port.error();
        int back = ok ? judge_loopback(sent, got, rate_detail) : 0;
        worst = std::min(worst, back);
        detail += (detail.empty() ? "" : "; ") + std::to_string(baud) + " Bd: " + rate_detail;
    }
    timer.finish(measured("serial.loopback", worst, plan.pattern_bytes, plan.pattern_bytes, "bytes", detail));
}

void check_modbus(check_context& context)
{
    const modbus_plan& plan = context.plan.modbus;
    if (!plan.enabled || !context.traits.serial || context.stop_requested())
        return;
    check_timer timer(context);
    uint16_t back = 0;
    std::string status;
    if (!context.port.modbus_write_read(plan.slave_id, plan.register_address, uint16_t(plan.value), back, status)) {
        timer.finish(observed("modbus.holding_register", status.empty() ? context.port.error() : status));
        return;
    }
    timer.finish(
        measured("modbus.holding_register", back, plan.value, plan.value, "",
                 "slave " + std::to_string(plan.slave_id) + ", register " + std::to_string(plan.register_address)));
}

} // namespace check
