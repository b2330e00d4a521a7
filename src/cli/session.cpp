#include "cli/session.h"

#include <ostream>

#include "cli/failure_report.h"
#include "ecat/adapter.h"
#include "sim/cards/card_fault_commands.h"
#include "simulated_adapter/simulated_adapter.h"

namespace cli {

namespace {

bool all_digits(const std::string& text)
{
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

} // namespace

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
        for (const std::string& fault : opts.card_faults)
            if (!sim::cards::run_card_fault(*bus_, fault, error)) {
                err << "--card-fault: " << error << "\n";
                return false;
            }
    }
    int refreshed = ecat::adapter_list_refresh();
    if (refreshed != 0 && !opts.simulate) {
        report_error(refreshed, ecat::adapter_last_error(), err);
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
            report_error(ecat::result::adapter_index, "--adapter " + opts.adapter, err);
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
    report_error(ecat::result::adapter_unknown, "--adapter " + opts.adapter, err);
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
    int opened = ecat::session_open(master(), descriptor_, adapter_index_, opts.wait_ms);
    running_ = true;
    if (opened != 0) {
        std::string detail = "the adapter " + ecat::adapter_get(adapter_index_)->device;
        if (!ecat::adapter_last_error().empty())
            detail += ": " + ecat::adapter_last_error();
        report_error(opened, detail, err);
        stop();
        return false;
    }
    return true;
}

bool session::wait_until_ready(int timeout_ms)
{
    return ecat::session_wait_settled(master(), timeout_ms);
}

void session::stop()
{
    if (running_) {
        ecat::session_close(master());
        running_ = false;
    }
    ecat::adapter_set_tap(nullptr);
    capture_.close();
    ecat::adapter_release_all();
    ecat::adapter_unregister_wires();
}

} // namespace cli
