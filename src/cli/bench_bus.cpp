// kestio-cli bench sdo / bench scan: whole-system timings over the simulated bus
// (or a real one with --adapter).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ostream>
#include <thread>

#include "cli/commands.h"
#include "cli/numbers.h"
#include "cli/session.h"
#include "ecat/sdo_api.h"

namespace cli {

namespace {

using clock_type = std::chrono::steady_clock;

double ms_since(clock_type::time_point start)
{
    return std::chrono::duration<double, std::milli>(clock_type::now() - start).count();
}

struct bench_arguments {
    long slaves = 1;
    long count = 200;
};

bool parse_bench_arguments(const options& opts, bench_arguments& args, std::ostream& err)
{
    for (size_t i = 2; i < opts.words.size(); ++i) {
        const std::string& word = opts.words[i];
        long* target = word == "--slaves" ? &args.slaves : word == "--count" ? &args.count : nullptr;
        if (!target || i + 1 >= opts.words.size()) {
            err << "bench: unexpected argument '" << word << "'\n";
            return false;
        }
        char* end = nullptr;
        *target = std::strtol(opts.words[++i].c_str(), &end, 10);
        if (*end || *target < 1 || *target > 100000) {
            err << "bench: " << word << " takes a positive number\n";
            return false;
        }
    }
    return true;
}

// The simulated bus of the benchmark unless an adapter was chosen.
options bench_session_options(const options& opts, long slaves)
{
    options session_opts = opts;
    if (opts.adapter.empty() && (!opts.simulate || opts.simulate_spec.empty())) {
        session_opts.simulate = true;
        session_opts.simulate_spec = "generic*" + std::to_string(slaves);
    }
    return session_opts;
}

} // namespace

int command_bench_sdo(const options& opts, std::ostream& out, std::ostream& err)
{
    bench_arguments args;
    if (!parse_bench_arguments(opts, args, err))
        return 2;
    session bus;
    if (!bus.start(bench_session_options(opts, args.slaves), err))
        return 1;
    if (!bus.wait_until_ready(10000)
        || ecat::session_status(bus.master()).slave_count < static_cast<unsigned>(args.slaves)) {
        err << "bench sdo: the bus did not come up with " << args.slaves << " slaves\n";
        return 1;
    }
    ecat::master& m = bus.master();
    std::vector<std::vector<double>> latency_ms(static_cast<size_t>(args.slaves));
    std::vector<std::vector<double>> latency_cycles(static_cast<size_t>(args.slaves));
    std::vector<int> failures(static_cast<size_t>(args.slaves), 0);
    auto start = clock_type::now();
    std::vector<std::thread> workers;
    for (long s = 0; s < args.slaves; ++s) {
        workers.emplace_back([&, s] {
            auto position = static_cast<uint16_t>(s);
            for (long k = 0; k < args.count; ++k) {
                uint8_t value[2];
                size_t size = 0;
                auto begin = clock_type::now();
                uint64_t begin_tick = m.tick_count();
                int result = ecat::master_sdo_upload(m, position, 0x5000, 0x02, value, sizeof value, &size, nullptr);
                if (result != 0) {
                    ++failures[static_cast<size_t>(s)];
                    continue;
                }
                latency_ms[static_cast<size_t>(s)].push_back(ms_since(begin));
                latency_cycles[static_cast<size_t>(s)].push_back(static_cast<double>(m.tick_count() - begin_tick));
            }
        });
    }
    for (auto& worker : workers)
        worker.join();
    double seconds = ms_since(start) / 1000.0;
    std::vector<double> all_ms, all_cycles;
    int failed = 0;
    for (long s = 0; s < args.slaves; ++s) {
        all_ms.insert(all_ms.end(), latency_ms[static_cast<size_t>(s)].begin(),
                      latency_ms[static_cast<size_t>(s)].end());
        all_cycles.insert(all_cycles.end(), latency_cycles[static_cast<size_t>(s)].begin(),
                          latency_cycles[static_cast<size_t>(s)].end());
        failed += failures[static_cast<size_t>(s)];
    }
    bus.stop();
    if (all_ms.empty()) {
        err << "bench sdo: every upload failed\n";
        return 1;
    }
    summary ms = summarise(all_ms), cycles = summarise(all_cycles);
    double per_second = static_cast<double>(all_ms.size()) / seconds;
    char line[512];
    if (opts.json)
        std::snprintf(line, sizeof line,
                      "{\"slaves\": %ld, \"uploads\": %zu, \"failed\": %d, \"sdo_p50_ms\": %.3f, \"sdo_p99_ms\": %.3f, "
                      "\"sdo_max_ms\": %.3f, \"sdo_p50_cycles\": %.0f, \"sdo_p99_cycles\": %.0f, "
                      "\"sdo_max_cycles\": %.0f, \"sdo_per_s\": %.1f}\n",
                      args.slaves, all_ms.size(), failed, ms.p50, ms.p99, ms.max, cycles.p50, cycles.p99, cycles.max,
                      per_second);
    else
        std::snprintf(line, sizeof line,
                      "%zu uploads of 2 bytes on %ld slaves (%d failed)\n"
                      "latency: p50 %.3f ms, p99 %.3f ms, max %.3f ms\n"
                      "cycles:  p50 %.0f, p99 %.0f, max %.0f\nuploads per second: %.1f\n",
                      all_ms.size(), args.slaves, failed, ms.p50, ms.p99, ms.max, cycles.p50, cycles.p99, cycles.max,
                      per_second);
    out << line;
    return failed ? 1 : 0;
}

int command_bench_scan(const options& opts, std::ostream& out, std::ostream& err)
{
    bench_arguments args;
    if (!parse_bench_arguments(opts, args, err))
        return 2;
    session bus;
    auto start = clock_type::now();
    if (!bus.start(bench_session_options(opts, args.slaves), err))
        return 1;
    ecat::master& m = bus.master();
    bool ready = false;
    ecat::bus_status status;
    while (ms_since(start) < 20000) {
        status = ecat::session_status(m);
        if (status.slave_count >= static_cast<unsigned>(args.slaves) && status.settled) {
            ready = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    double scan_ms = ms_since(start);
    uint64_t cycles = m.tick_count();
    auto preop = static_cast<unsigned>(std::count(status.al_states.begin(), status.al_states.end(), 0x02));
    bus.stop();
    if (!ready || preop < static_cast<unsigned>(args.slaves)) {
        err << "bench scan: only " << preop << " of " << args.slaves << " slaves reached PREOP\n";
        return 1;
    }
    char line[256];
    if (opts.json)
        std::snprintf(line, sizeof line, "{\"slaves\": %ld, \"scan_ms\": %.1f, \"scan_cycles\": %llu}\n", args.slaves,
                      scan_ms, static_cast<unsigned long long>(cycles));
    else
        std::snprintf(line, sizeof line, "%ld slaves in PREOP and ready after %.1f ms (%llu cycles)\n", args.slaves,
                      scan_ms, static_cast<unsigned long long>(cycles));
    out << line;
    return 0;
}

} // namespace cli
