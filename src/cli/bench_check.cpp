// kestio-cli bench check: the production-line check of one card per model on the simulated
// bus, each group timed, and the same model on 16 cards at once against one card.
#include <chrono>
#include <cstdio>
#include <map>
#include <mutex>
#include <ostream>
#include <sstream>

#include "check/default_plan.h"
#include "check_run/bus_card_port.h"
#include "check_run/check_runner.h"
#include "cli/commands.h"
#include "cli/session.h"

namespace cli {

namespace {

struct timed_run {
    double milliseconds = 0;
    bool passed = false;
    std::map<std::string, double> slowest_group; // over the cards
};

// One check run of every card on a new simulated bus of spec; false when it could not start.
bool time_run(const options& opts, const std::string& spec, timed_run& timed, std::ostream& err)
{
    options bus_opts = opts;
    bus_opts.simulate = true;
    bus_opts.simulate_spec = spec;
    session bus;
    if (!bus.start(bus_opts, err) || !bus.wait_until_ready(10000))
        return false;
    std::vector<check::card_under_test> cards;
    for (unsigned position = 0; position < bus.master().slave_count(); ++position)
        cards.push_back({int(position), std::make_unique<check::bus_card_port>(bus.master(), uint16_t(position))});
    const check::check_plan plan = check::built_in_plan();
    std::mutex lock;
    check::run_settings settings;
    settings.plan = &plan;
    settings.group_timed = [&](const check::card_result&, const char* group, double ms) {
        std::lock_guard guard(lock);
        double& slowest = timed.slowest_group[group];
        slowest = std::max(slowest, ms);
    };
    std::ostringstream lines;
    auto started = std::chrono::steady_clock::now();
    std::vector<check::card_outcome> outcomes = check::run_cards(cards, settings, lines);
    timed.milliseconds = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
    timed.passed = true;
    for (const check::card_outcome& outcome : outcomes)
        timed.passed = timed.passed && outcome.tested && check::card_verdict(outcome.result) == check::verdict::pass;
    return true;
}

std::string groups_text(const std::map<std::string, double>& groups)
{
    std::string text;
    for (const auto& [name, ms] : groups) {
        char part[48];
        std::snprintf(part, sizeof part, "%s%s %.0f", text.empty() ? "" : ", ", name.c_str(), ms);
        text += part;
    }
    return text;
}

} // namespace

int command_bench_check(const options& opts, std::ostream& out, std::ostream& err)
{
    if (opts.words.size() > 2) {
        err << "bench check takes no arguments\n";
        return 2;
    }
    char line[200];
    std::snprintf(line, sizeof line, "%-10s  %9s  %10s  %6s  %s\n", "model", "1 card ms", "16 cards ms", "ratio",
                  "slowest group times (ms)");
    out << line;
    bool all_passed = true;
    for (const char* model : {"ZEIO", "KOVA-H", "KOVA-16IO", "KOVA-AD"}) {
        timed_run one, sixteen;
        if (!time_run(opts, model, one, err) || !time_run(opts, std::string(model) + "*16", sixteen, err))
            return 1;
        all_passed = all_passed && one.passed && sixteen.passed;
        std::snprintf(line, sizeof line, "%-10s  %9.0f  %10.0f  %6.2f  %s\n", model, one.milliseconds,
                      sixteen.milliseconds, sixteen.milliseconds / one.milliseconds,
                      groups_text(one.slowest_group).c_str());
        out << line << std::string(43, ' ') << "of 16: " << groups_text(sixteen.slowest_group) << "\n" << std::flush;
    }
    if (!all_passed)
        err << "bench check: a card failed its check; the times are of a failing run\n";
    return all_passed ? 0 : 1;
}

} // namespace cli
