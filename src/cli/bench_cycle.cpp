// kestio-cli bench cycle: the achieved period of the 1 ms cycle against a device
// that answers every frame.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ostream>
#include <ctime>
#include <thread>

#include "cli/commands.h"
#include "cli/failure_report.h"
#include "cli/numbers.h"
#include "ecat/adapter.h"
#include "ecat/session.h"
#include "platform/echo_link.h"

namespace cli {

namespace {

// Notes when each frame went out; a tick sends one frame, so these are tick times.
class timed_echo : public platform::echo_link {
public:
    explicit timed_echo(size_t capacity) { send_times_.reserve(capacity); }

    int send(const uint8_t* frame, size_t length) override
    {
        if (send_times_.size() < send_times_.capacity())
            send_times_.push_back(std::chrono::steady_clock::now());
        return echo_link::send(frame, length);
    }

    const std::vector<std::chrono::steady_clock::time_point>& send_times() const { return send_times_; }

private:
    std::vector<std::chrono::steady_clock::time_point> send_times_;
};

// The process's CPU time as the scheduler counts it; getrusage samples at timer
// ticks and misjudges a thread that wakes every millisecond.
double cpu_seconds()
{
    timespec used{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &used);
    return static_cast<double>(used.tv_sec) + static_cast<double>(used.tv_nsec) / 1e9;
}

} // namespace

int command_bench_cycle(const options& opts, std::ostream& out, std::ostream& err)
{
    double seconds = 5;
    for (size_t i = 2; i < opts.words.size(); ++i) {
        if (opts.words[i] == "--seconds" && i + 1 < opts.words.size()) {
            if (!parse_positive(opts.words[++i], seconds)) {
                err << "--seconds takes a positive number\n";
                return 2;
            }
        } else {
            err << "bench cycle: unknown argument '" << opts.words[i] << "'\n";
            return 2;
        }
    }

    auto link = std::make_shared<timed_echo>(static_cast<size_t>(seconds * 2000) + 1000);
    const uint8_t mac[6] = {0x00, 0x1B, 0x21, 0x4B, 0x10, 0x01};
    ecat::adapter_register_wire("bench echo", mac, link);
    ecat::adapter_list_refresh();
    ecat::net_device device;
    ecat::master m;
    double cpu_before = cpu_seconds();
    auto start = std::chrono::steady_clock::now();
    int opened = ecat::session_open(m, device, ecat::adapter_count() - 1, 1);
    if (opened != 0) {
        report_error(opened, "bench cycle: starting the master on the test device", err);
        return 1;
    }
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    ecat::session_close(m);
    double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    double cpu = cpu_seconds() - cpu_before;
    ecat::adapter_release_all();
    ecat::adapter_unregister_wires();

    const auto& times = link->send_times();
    std::vector<double> periods;
    for (size_t i = 1; i < times.size(); ++i)
        periods.push_back(std::chrono::duration<double, std::milli>(times[i] - times[i - 1]).count());
    if (periods.empty()) {
        err << "bench cycle: no frames were sent\n";
        return 1;
    }
    summary s = summarise(periods);
    double frames_per_s = static_cast<double>(times.size()) / wall;
    double cpu_percent = 100.0 * cpu / wall;
    char line[512];
    if (opts.json) {
        std::snprintf(line, sizeof line,
                      "{\"period_mean_ms\": %.4f, \"period_p50_ms\": %.4f, \"period_p99_ms\": %.4f, "
                      "\"period_max_ms\": %.4f, \"frames_per_s\": %.1f, \"cpu_percent\": %.2f}\n",
                      s.mean, s.p50, s.p99, s.max, frames_per_s, cpu_percent);
    } else {
        std::snprintf(line, sizeof line,
                      "cycle period over %.1f s: mean %.3f ms, p50 %.3f ms, p99 %.3f ms, max %.3f ms\n"
                      "frames per second: %.1f\nCPU: %.2f %% of one core\n",
                      wall, s.mean, s.p50, s.p99, s.max, frames_per_s, cpu_percent);
    }
    out << line;
    return 0;
}

} // namespace cli
