#include "ecat/session.h"

#include <chrono>
#include <thread>

#include "ecat/adapter.h"
#include "ecat/fsm/slave_request.h"
#include "ecat/result.h"

namespace ecat {

namespace {

constexpr uint8_t al_error_bit = 0x10;

bool slave_settled(const slave& s)
{
    return s.error_flag || slave_request_is_ready(s.request_machine) || s.request_machine.sdo != nullptr
        || (s.current_al_state & al_error_bit);
}

} // namespace

int session_open(master& owner, net_device& descriptor, int adapter_index, int response_wait_ms)
{
    master_core& m = core_of(owner);
    master_clear(m);
    if (int filled = net_device_fill(descriptor, adapter_index, response_wait_ms); filled != 0)
        return filled;
    int initialised = master_init(m, 0, descriptor.mac);
    if (initialised != 0)
        return initialised;
    master_device* device = master_attach_device(m, descriptor);
    if (!device)
        return result::no_device;
    return master_device_open(*device);
}

bus_status session_status(master& owner)
{
    master_core& m = core_of(owner);
    bus_status status;
    mutex_lock lock(m.master_lock);
    status.slave_count = m.slave_count;
    status.scan_busy = m.scan_busy != 0;
    status.link = m.main_device.link != 0;
    status.slaves_responding = m.fsm.slaves_responding;
    // a scan cut short by lost frames or a wrong count is repeated soon: not settled until it is
    status.settled = !status.scan_busy && !m.fsm.rescan_pending && !m.fsm.recount_required;
    for (unsigned i = 0; i < status.slave_count; ++i) {
        const slave& s = m.slaves[i];
        status.al_states.push_back(uint8_t(s.current_al_state));
        status.error_flags.push_back(s.error_flag != 0);
        status.settled = status.settled && slave_settled(s);
    }
    return status;
}

bool session_wait_settled(master& m, int timeout_ms, int expected)
{
    auto start = std::chrono::steady_clock::now();
    auto elapsed = [&] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    };
    for (;;) {
        bus_status status = session_status(m);
        if (expected == any_slave_count) {
            // an empty bus never starts a scan: give it a moment, then believe it
            bool seen = status.slave_count > 0 || status.slaves_responding > 0 || status.scan_busy;
            if (!seen && elapsed() > 300)
                return true;
            if (status.slave_count > 0 && status.settled)
                return true;
        } else if (status.slave_count == unsigned(expected) && status.settled) {
            return true;
        }
        if (elapsed() >= timeout_ms)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

void session_close(master& m)
{
    master_clear(core_of(m));
}

} // namespace ecat
