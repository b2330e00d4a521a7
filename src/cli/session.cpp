#include "cli/session.h"

#include <chrono>
#include <ostream>
#include <thread>

#include "ecat/adapter.h"
#include "simulated_adapter/simulated_adapter.h"

namespace cli {

namespace {

bool all_digits(const std::string& text)
{
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

} // namespace

bool all_slaves_ready(ecat::master& m)
{
    std::lock_guard lock(m.master_lock);
    if (m.scan_busy || m.fsm.rescan_pending)
        return false; // a scan cut short by lost frames is repeated soon: wait for it
    for (unsigned i = 0; i < m.slave_count; ++i) {
        const ecat::slave& s = m.slaves[i];
        if (!s.error_flag && !ecat::slave_request_is_ready(s.request_machine) && s.request_machine.sdo == nullptr
            && !(s.current_al_state & 0x10))
            return false;
    }
    return true;
}

session::~session()
{
    stop();
}

bool session::choose_adapter(const options& opts, std::ostream& err)
{
    if (opts.simulate) {
        std::string error;
        bus_ = simulated::register_simulated_adapter(opts.simulate_spec, error);
        if (!bus_) {
            err << "--simulate: " << error << "\n";
            return false;
        }
    }
    int refreshed = ecat::adapter_list_refresh();
    if (refreshed != 0 && !opts.simulate) {
        err << "error " << refreshed << ": the network adapters could not be listed: " << ecat::adapter_last_error()
            << "\n";
        return false;
    }
    if (opts.simulate) {
        adapter_index_ = ecat::adapter_count() - 1;
        return true;
    }
    if (opts.adapter.empty()) {
        err << "choose an adapter with --adapter NAME|INDEX (see 'kestio-cli adapters'), or use --simulate\n";
        return false;
    }
    if (all_digits(opts.adapter)) {
        adapter_index_ = std::stoi(opts.adapter);
        if (adapter_index_ >= ecat::adapter_count()) {
            err << "error 13: there is no adapter " << opts.adapter << "\n";
            return false;
        }
        return true;
    }
    for (int i = 0; i < ecat::adapter_count(); ++i) {
        ecat::adapter_entry* entry = ecat::adapter_get(i);
        if (entry->device == opts.adapter || entry->description == opts.adapter) {
            adapter_index_ = i;
            return true;
        }
    }
    err << "error 7: no adapter is named '" << opts.adapter << "'\n";
    return false;
}

bool session::start(const options& opts, std::ostream& err)
{
    if (!choose_adapter(opts, err))
        return false;
    if (!opts.capture_path.empty()) {
        std::string error;
        std::ostream* notices = &err;
        auto stopped = [notices](const std::string& line) { *notices << line << "\n" << std::flush; };
        if (!capture_.open(opts.capture_path, ecat::adapter_get(adapter_index_)->description,
                           uint64_t(opts.capture_limit_mb) * 1000000, stopped, error)) {
            err << "--capture: " << error << "\n";
            return false;
        }
        ecat::adapter_set_tap(&capture_);
    }
    ecat::net_device_fill(descriptor_, adapter_index_, opts.wait_ms);
    ecat::master& m = master();
    if (ecat::master_module_init(descriptor_.mac) != 0) {
        err << "error -12: no memory for the master\n";
        return false;
    }
    if (!ecat::master_attach_device(m, descriptor_)) {
        err << "the master could not take the adapter\n";
        return false;
    }
    int opened = ecat::master_device_open(m.main_device);
    running_ = true;
    if (opened != 0) {
        err << "error " << opened << ": the adapter " << ecat::adapter_get(adapter_index_)->device
            << " could not be opened";
        if (!ecat::adapter_last_error().empty())
            err << ": " << ecat::adapter_last_error();
        err << "\n";
        stop();
        return false;
    }
    return true;
}

bool session::wait_until_ready(int timeout_ms)
{
    ecat::master& m = master();
    auto start = std::chrono::steady_clock::now();
    auto elapsed = [&] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    };
    while (elapsed() < timeout_ms) {
        // an empty bus never starts a scan: give it a moment, then believe it
        bool seen_slaves = m.slave_count > 0 || m.fsm.slaves_responding > 0 || m.scan_busy;
        if (!seen_slaves && elapsed() > 300)
            return true;
        if (m.slave_count > 0 && all_slaves_ready(m))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return false;
}

void session::stop()
{
    if (running_) {
        ecat::master_clear(master());
        running_ = false;
    }
    ecat::adapter_set_tap(nullptr);
    capture_.close();
    ecat::adapter_release_all();
    ecat::adapter_unregister_wires();
}

} // namespace cli
