// kestio-cli soak: writes and reads back objects of every slave without pause while the
// simulated bus suffers one fault after another, and reports one JSON line: transfers,
// failures by result, wrong values (must be 0), rescans, recovery times by fault, and
// the process's memory and open files at start, after warm-up and at the end.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <dirent.h>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <ostream>
#include <random>
#include <thread>
#include <unistd.h>

#include "cli/commands.h"
#include "cli/session.h"
#include "cli/soak_faults.h"
#include "sim/bus/bus.h"
#include "sim/firmware/standard_application.h"
#include "ecat/result.h"
#include "ecat/sdo_api.h"

namespace cli {

namespace {

using clock_type = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr uint16_t output_object = 0x2300; // on every card model: stored as written
constexpr uint16_t generic_object = 0x5000;
constexpr const char* default_slaves = "ZEIO*4,KOVA-H*4,KOVA-16IO*4,KOVA-AD*4";

long resident_kb()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

int open_files()
{
    int count = 0;
    if (DIR* fds = opendir("/proc/self/fd")) {
        while (dirent* entry = readdir(fds))
            count += entry->d_name[0] != '.';
        closedir(fds);
    }
    return count - 1; // the directory stream itself
}

struct snapshot {
    long rss_kb = 0;
    int fds = 0;
};

snapshot take_snapshot()
{
    return {resident_kb(), open_files()};
}

// What the callers count, shared between them.
struct tally {
    std::atomic<uint64_t> uploads{0}, downloads{0}, wrong_values{0}, unexpected_card_values{0}, moved_rounds{0};
    std::mutex failures_lock;
    std::map<int, uint64_t> failures;               // by result code
    std::vector<std::atomic<int64_t>> last_good_ms; // per slave: end of the last good round

    explicit tally(size_t slaves) : last_good_ms(slaves) { }
    void failed(int code)
    {
        std::lock_guard lock(failures_lock);
        ++failures[code];
    }
};

int64_t ms_since(clock_type::time_point start)
{
    return std::chrono::duration_cast<milliseconds>(clock_type::now() - start).count();
}

// What the simulated card at this ring position holds in the object, where its firmware
// keeps the standard dictionary (a firmware library need not).
std::optional<uint16_t> card_holds(sim::bus& segment, uint16_t position, uint16_t object, uint8_t subindex)
{
    if (position >= segment.slave_count())
        return std::nullopt;
    return segment.with_slave(position, [&](sim::slave& s) -> std::optional<uint16_t> {
        auto* standard = dynamic_cast<sim::standard_application*>(&s.application());
        if (!standard)
            return std::nullopt;
        return uint16_t(standard->dictionary().number(object, subindex));
    });
}

// One slave's loop: a fresh value down, read back, compared with what the card holds
// just before and just after the upload; anything else is a wrong value. Apart from that,
// the read should show the value written, or after a failed write the value held before
// (the slave may or may not have taken it): a card value outside that is counted as
// unexpected, not wrong, since the master delivered what the card holds. A rescan during
// the round may have put another card at this position (an unplug cuts the ring behind
// the card, a replug brings them back): such a round is not judged.
void caller(ecat::master& m, sim::bus& segment, uint16_t position, uint16_t object, tally& counts,
            clock_type::time_point start, const std::atomic<bool>& running)
{
    const uint8_t subindex = object == generic_object ? 2 : 0;
    std::mt19937 random(position + 11);
    uint16_t held = 0;
    bool held_known = false;
    while (running) {
        const unsigned scans_before = m.scans_started();
        uint16_t value = uint16_t(random());
        uint8_t bytes[2] = {uint8_t(value), uint8_t(value >> 8)};
        int written = ecat::master_sdo_download(m, position, object, subindex, bytes, 2, nullptr);
        written == 0 ? (void)++counts.downloads : counts.failed(written);
        uint8_t read[2] = {};
        size_t size = 0;
        std::optional<uint16_t> before = card_holds(segment, position, object, subindex);
        int got = ecat::master_sdo_upload(m, position, object, subindex, read, 2, &size, nullptr);
        std::optional<uint16_t> after = card_holds(segment, position, object, subindex);
        if (got != 0) {
            counts.failed(got);
            held_known = held_known && written == 0 ? false : held_known;
            // a slave that is gone fails at once: do not spin while the bus recovers
            std::this_thread::sleep_for(milliseconds(1));
            continue;
        }
        ++counts.uploads;
        uint16_t seen = uint16_t(read[0] | read[1] << 8);
        if (m.scans_started() != scans_before) {
            ++counts.moved_rounds;
            held_known = false;
            continue;
        }
        bool expected = size == 2 && (seen == value || (written != 0 && (!held_known || seen == held)));
        bool cards_own = size == 2 && before && after ? seen == *before || seen == *after : expected;
        if (!cards_own)
            ++counts.wrong_values;
        else if (!expected)
            ++counts.unexpected_card_values;
        held = seen;
        held_known = true;
        if (written == 0 && seen == value)
            counts.last_good_ms[position] = ms_since(start);
    }
}

bool parse_soak_arguments(const options& opts, double& seconds, std::ostream& err)
{
    for (size_t i = 1; i < opts.words.size(); ++i) {
        const std::string& word = opts.words[i];
        if ((word != "--minutes" && word != "--seconds") || i + 1 >= opts.words.size()) {
            err << "soak: unexpected argument '" << word << "'\n";
            return false;
        }
        char* end = nullptr;
        double value = std::strtod(opts.words[++i].c_str(), &end);
        if (*end || !(value > 0) || value > 24 * 60) {
            err << "soak: " << word << " takes a positive number\n";
            return false;
        }
        seconds = word == "--minutes" ? value * 60 : value;
    }
    return true;
}

} // namespace

int command_soak(const options& opts, std::ostream& out, std::ostream& err)
{
    double seconds = 600;
    if (!parse_soak_arguments(opts, seconds, err))
        return 2;
    if (!opts.adapter.empty()) {
        err << "soak: runs on the simulated bus only (its faults are injected there)\n";
        return 2;
    }
    options session_opts = opts;
    session_opts.simulate = true;
    if (session_opts.simulate_spec.empty())
        session_opts.simulate_spec = default_slaves;
    snapshot at_start = take_snapshot();
    session bus;
    if (!bus.start(session_opts, err))
        return 1;
    ecat::master& m = bus.master();
    if (!bus.wait_until_ready(20000) || ecat::session_status(m).slave_count == 0) {
        err << "soak: the simulated bus did not come up\n";
        return 1;
    }
    const size_t slaves = ecat::session_status(m).slave_count;
    const uint16_t object =
        session_opts.simulate_spec.find("generic") != std::string::npos ? generic_object : output_object;
    const unsigned scans_at_start = m.scans_started();

    auto start = clock_type::now();
    auto warm_up = std::min(std::chrono::duration<double>(seconds * 0.1), std::chrono::duration<double>(60));
    auto end = start + std::chrono::duration_cast<clock_type::duration>(std::chrono::duration<double>(seconds));
    tally counts(slaves);
    std::atomic<bool> running{true};
    std::vector<std::thread> callers;
    for (size_t position = 0; position < slaves; ++position)
        callers.emplace_back(caller, std::ref(m), std::ref(*bus.simulated_bus()), uint16_t(position), object,
                             std::ref(counts), start, std::cref(running));

    soak_faults faults(*bus.simulated_bus(), 7);
    snapshot after_warm_up;
    bool warmed = false;
    int64_t worst_recovery_ms = 0;
    std::map<std::string, int64_t> worst_by_fault; // recovery, by the fault taken off
    unsigned unrecovered = 0;
    int64_t cleared_at = -1;
    // At the end the fault that is on is taken off, and the run goes on until the bus has
    // recovered from the last fault or the recovery is overdue: every fault is judged.
    auto running_on = [&](clock_type::time_point now) {
        return now < end || (cleared_at >= 0 && ms_since(start) - cleared_at < soak_faults::recovery_overdue.count());
    };
    while (running_on(clock_type::now())) {
        std::this_thread::sleep_for(milliseconds(20));
        auto now = clock_type::now();
        if (!warmed && now - start >= warm_up) {
            after_warm_up = take_snapshot();
            warmed = true;
        }
        // recovered: every slave has finished a good round since the fault was taken off
        if (cleared_at >= 0) {
            int64_t latest = cleared_at;
            bool all = true;
            for (auto& good : counts.last_good_ms) {
                all = all && good > cleared_at;
                latest = std::max<int64_t>(latest, good);
            }
            if (all) {
                int64_t took = latest - cleared_at;
                worst_recovery_ms = std::max(worst_recovery_ms, took);
                worst_by_fault[faults.last()] = std::max(worst_by_fault[faults.last()], took);
                cleared_at = -1;
                faults.recovered(now);
            }
        }
        if (now < end ? faults.step(now) : faults.clear()) {
            if (cleared_at >= 0)
                ++unrecovered; // the next fault came before recovery from the last one
            cleared_at = ms_since(start);
        }
    }
    running = false;
    for (auto& t : callers)
        t.join();
    if (cleared_at >= 0)
        ++unrecovered;
    snapshot at_end = take_snapshot();
    if (!warmed)
        after_warm_up = at_end;

    out << "{\"seconds\": " << seconds << ", \"slaves\": " << slaves << ", \"uploads\": " << counts.uploads
        << ", \"downloads\": " << counts.downloads << ", \"failures\": {";
    bool first = true;
    for (auto& [code, count] : counts.failures) {
        out << (first ? "" : ", ") << "\"" << code << " " << ecat::result::name(code) << "\": " << count;
        first = false;
    }
    out << "}, \"wrong_values\": " << counts.wrong_values
        << ", \"unexpected_card_values\": " << counts.unexpected_card_values
        << ", \"rounds_across_rescans\": " << counts.moved_rounds << ", \"faults\": " << faults.injected()
        << ", \"rescans\": " << m.scans_started() - scans_at_start << ", \"worst_recovery_ms\": " << worst_recovery_ms
        << ", \"recovery_ms_by_fault\": {";
    first = true;
    for (auto& [fault, took] : worst_by_fault) {
        out << (first ? "" : ", ") << "\"" << fault << "\": " << took;
        first = false;
    }
    out << "}, \"unrecovered_faults\": " << unrecovered << ", \"rss_kb\": [" << at_start.rss_kb << ", "
        << after_warm_up.rss_kb << ", " << at_end.rss_kb << "], \"fds\": [" << at_start.fds << ", " << after_warm_up.fds
        << ", " << at_end.fds << "]}\n";
    return counts.wrong_values == 0 ? 0 : 1;
}

} // namespace cli
