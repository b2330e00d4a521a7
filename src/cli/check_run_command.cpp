// kestio-cli check [POS|all]: the production-line check on the bus, with its records.
#include <cstdlib>
#include <fstream>
#include <memory>
#include <ostream>

#include "check/check_commands.h"
#include "check/console_report.h"
#include "check/default_plan.h"
#include "check/json_record.h"
#include "check/junit_record.h"
#include "check/plan_loader.h"
#include "check/plan_printer.h"
#include "check/results_path.h"
#include "check/results_store.h"
#include "check_run/bus_card_port.h"
#include "check_run/check_runner.h"
#include "cli/check_interrupt.h"
#include "cli/commands.h"
#include "cli/session.h"

namespace cli {

namespace {

constexpr int could_not_test = 2;

struct check_arguments {
    std::string target = "all";
    std::string plan_path;
    std::string expected_serial;
    std::string json_path;
    std::string junit_path;
    std::string db_path = check::default_results_path();
    std::string operator_name;
    std::string station;
};

bool parse_check_arguments(const std::vector<std::string>& words, check_arguments& parsed, std::ostream& err)
{
    const std::pair<const char*, std::string*> valued[] = {
        {"--plan", &parsed.plan_path}, {"--expect-serial", &parsed.expected_serial},
        {"--json", &parsed.json_path}, {"--junit", &parsed.junit_path},
        {"--db", &parsed.db_path},     {"--operator", &parsed.operator_name},
        {"--station", &parsed.station}};
    bool target_seen = false;
    for (size_t n = 1; n < words.size(); ++n) {
        bool known = false;
        for (auto [name, value] : valued)
            if (words[n] == name) {
                if (n + 1 >= words.size()) {
                    err << "check: " << name << " needs a value\n";
                    return false;
                }
                *value = words[++n];
                known = true;
            }
        if (known)
            continue;
        if (words[n].rfind("--", 0) == 0 || target_seen) {
            err << "check: unknown argument '" << words[n] << "'\n";
            return false;
        }
        parsed.target = words[n];
        target_seen = true;
    }
    return true;
}

bool is_plan_command(const std::vector<std::string>& words)
{
    for (const std::string& word : words)
        if (word == "--print-plan" || word == "--validate" || word == "--help")
            return true;
    return false;
}

bool write_file(const std::string& path, const std::string& text, std::ostream& err)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << text;
    if (!file.flush()) {
        err << "check: cannot write " << path << "\n";
        return false;
    }
    return true;
}

} // namespace

int command_check_run(const options& opts, std::ostream& out, std::ostream& err)
{
    if (is_plan_command(opts.words))
        return check::command_check(opts.words, out, err);
    check_arguments args;
    if (!parse_check_arguments(opts.words, args, err))
        return could_not_test;

    check::check_plan plan = check::built_in_plan();
    if (!args.plan_path.empty()) {
        check::plan_load_result loaded = check::load_plan_file(args.plan_path);
        for (const std::string& error : loaded.errors)
            err << error << "\n";
        if (!loaded.ok())
            return could_not_test;
        plan = std::move(loaded.plan);
    }

    std::unique_ptr<check::results_store> store;
    if (args.db_path != "none") {
        std::string error;
        if (args.db_path.empty() || !(store = check::results_store::open(args.db_path, error))) {
            err << "check: results database: " << (error.empty() ? "no home folder (use --db FILE or none)" : error)
                << "\n";
            return could_not_test;
        }
    }

    session bus;
    if (!bus.start(opts, err))
        return could_not_test;
    if (!bus.wait_until_ready(10000))
        err << "warning: the scan did not finish within 10 s\n";
    const unsigned slaves = bus.master().slave_count();
    std::vector<check::card_under_test> cards;
    if (args.target == "all") {
        for (unsigned position = 0; position < slaves; ++position)
            cards.push_back({int(position), std::make_unique<check::bus_card_port>(bus.master(), uint16_t(position))});
    } else {
        char* end = nullptr;
        long position = std::strtol(args.target.c_str(), &end, 10);
        if (args.target.empty() || *end || position < 0 || position >= long(slaves)) {
            err << "check: no card at '" << args.target << "' (" << slaves << " on the bus)\n";
            return could_not_test;
        }
        cards.push_back({int(position), std::make_unique<check::bus_card_port>(bus.master(), uint16_t(position))});
    }
    if (cards.empty()) {
        err << "check: no card on the bus\n";
        return could_not_test;
    }

    check::run_record run;
    run.station = args.station;
    run.operator_name = args.operator_name;
    run.started = std::chrono::system_clock::now();
    run.tool_version = check::tool_version();
    run.plan_digest = check::plan_digest(plan);
    run.plan_source = args.plan_path.empty() ? plan.source : args.plan_path;
    int64_t run_id = -1;
    std::string store_error;
    if (store && (run_id = store->begin_run(run, store_error)) < 0)
        err << "check: results database: " << store_error << "\n";

    check_interrupt interrupt;
    check::run_settings settings;
    settings.plan = &plan;
    settings.expected_serial = args.expected_serial;
    settings.stop = &check_interrupt::flag();
    settings.card_done = [&](const check::card_result& card) {
        std::string error;
        if (run_id >= 0 && !store->add_card(run_id, card, error))
            err << "check: results database: " << error << "\n";
    };
    std::vector<check::card_outcome> outcomes = check::run_cards(cards, settings, out);
    run.ended = std::chrono::system_clock::now();

    bool untested = false, stopped = check_interrupt::flag().load(), unsafe = false;
    for (const check::card_outcome& outcome : outcomes) {
        if (!outcome.tested) {
            err << "check: card " << outcome.result.position << ": " << outcome.problem << "\n";
            untested = true;
        }
        unsafe |= !outcome.safe;
        if (outcome.complete)
            run.cards.push_back(outcome.result); // a card cut short is in no record
    }
    out << "\n";
    check::print_summary_table(out, run);
    if (unsafe)
        err << "check: a card did not take its safe state; see its position above and switch it off\n";
    else
        out << "every card's outputs are back in their safe state (digital outputs 0, DA 0 V, PWM off)\n";
    if (stopped)
        err << "check: stopped by Ctrl-C; the cards under way are not recorded\n";
    if (run_id >= 0 && !stopped && !store->end_run(run_id, run.ended, store_error))
        err << "check: results database: " << store_error << "\n";
    bool written = (args.json_path.empty() || write_file(args.json_path, check::run_json(run), err))
        && (args.junit_path.empty() || write_file(args.junit_path, check::run_junit(run), err));
    if (untested || stopped || !written)
        return could_not_test;
    return check::run_exit_status(run);
}

} // namespace cli
