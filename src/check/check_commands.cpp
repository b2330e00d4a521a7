#include "check/check_commands.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <ostream>

#include "check/default_plan.h"
#include "check/plan_loader.h"
#include "check/plan_printer.h"
#include "check/results_path.h"
#include "check/results_store.h"

namespace check {

namespace {

void print_help(std::ostream& out)
{
    const std::string path = default_results_path();
    out << "usage: kestio-cli check --print-plan MODEL     the built-in plan of ZEIO, KOVA-H, KOVA-16IO or KOVA-AD\n"
           "       kestio-cli check --plan FILE --validate  read a plan file; errors name file, line and key\n"
           "       kestio-cli history [--serial S] [--last N] [--failed] [--db FILE]\n"
           "results database: "
        << (path.empty() ? std::string("(no home folder)") : path)
        << "\n  (--db FILE for another, --db none for none)\n"
           "       kestio-cli [--adapter NAME|--simulate[=LIST]] check [POS|all] [--plan FILE] [--expect-serial S]\n"
           "                  [--json FILE] [--junit FILE] [--db FILE|none] [--operator NAME] [--station NAME]\n"
           "exit status of a run: 0 every card passed, 1 a card failed a check, 2 nothing could be tested\n";
}

// the value after words[n], or false with a message
bool value_after(const std::vector<std::string>& words, size_t& n, std::string& value, std::ostream& err)
{
    if (n + 1 >= words.size()) {
        err << words[0] << ": " << words[n] << " needs a value\n";
        return false;
    }
    value = words[++n];
    return true;
}

int print_plan(const std::string& model, std::ostream& out, std::ostream& err)
{
    const check_plan plan = built_in_plan();
    const model_plan* found = plan.find(model);
    if (!found) {
        err << "check: unknown model '" << model << "' (ZEIO, KOVA-H, KOVA-16IO, KOVA-AD)\n";
        return 2;
    }
    out << plan_file_text(*found);
    return 0;
}

int validate_plan(const std::string& path, std::ostream& out, std::ostream& err)
{
    plan_load_result loaded = load_plan_file(path);
    for (const std::string& error : loaded.errors)
        err << error << "\n";
    if (!loaded.ok())
        return 2;
    out << path << ": plan for " << loaded.plan.models.size() << " models, digest " << plan_digest(loaded.plan) << "\n";
    return 0;
}

void print_history(std::ostream& out, const std::vector<history_row>& rows)
{
    char line[256];
    std::snprintf(line, sizeof line, "%-5s  %-20s  %-12s  %-10s  %-4s  %-10s  %-20s  %-7s  %s\n", "run", "started",
                  "station", "operator", "card", "model", "serial", "verdict", "failed checks");
    out << line;
    for (const history_row& r : rows) {
        std::snprintf(line, sizeof line, "%-5lld  %-20s  %-12s  %-10s  %-4d  %-10s  %-20s  %-7s  ",
                      static_cast<long long>(r.run_id), r.started.c_str(), r.station.c_str(), r.operator_name.c_str(),
                      r.position, r.model.c_str(), r.serial.c_str(), r.ended.empty() ? "cut" : r.verdict.c_str());
        out << line << r.failed_checks << "\n";
    }
}

} // namespace

int command_check(const std::vector<std::string>& words, std::ostream& out, std::ostream& err)
{
    std::string model, plan_path;
    bool validate = false;
    for (size_t n = 1; n < words.size(); ++n) {
        if (words[n] == "--help") {
            print_help(out);
            return 0;
        }
        if (words[n] == "--print-plan") {
            if (!value_after(words, n, model, err))
                return 2;
        } else if (words[n] == "--plan") {
            if (!value_after(words, n, plan_path, err))
                return 2;
        } else if (words[n] == "--validate") {
            validate = true;
        } else {
            err << "check: unknown argument '" << words[n] << "'\n";
            print_help(err);
            return 2;
        }
    }
    if (!model.empty())
        return print_plan(model, out, err);
    if (validate && !plan_path.empty())
        return validate_plan(plan_path, out, err);
    err << "check: --validate needs --plan FILE\n";
    return 2;
}

int command_history(const std::vector<std::string>& words, std::ostream& out, std::ostream& err)
{
    history_filter filter;
    std::string path = default_results_path();
    for (size_t n = 1; n < words.size(); ++n) {
        std::string value;
        if (words[n] == "--help") {
            print_help(out);
            return 0;
        } else if (words[n] == "--failed") {
            filter.failed_only = true;
        } else if (words[n] == "--serial") {
            if (!value_after(words, n, filter.serial, err))
                return 2;
        } else if (words[n] == "--db") {
            if (!value_after(words, n, path, err))
                return 2;
        } else if (words[n] == "--last") {
            if (!value_after(words, n, value, err))
                return 2;
            char* end = nullptr;
            long last = std::strtol(value.c_str(), &end, 10);
            if (value.empty() || *end || last < 1 || last > 1000000) {
                err << "history: --last takes a count from 1 to 1000000, not '" << value << "'\n";
                return 2;
            }
            filter.last = int(last);
        } else {
            err << "history: unknown argument '" << words[n] << "'\n";
            print_help(err);
            return 2;
        }
    }
    if (path == "none" || path.empty()) {
        err << "history: no results database (--db FILE names one)\n";
        return 2;
    }
    if (!std::filesystem::exists(path)) {
        out << "no results yet in " << path << "\n";
        return 0;
    }
    std::string error;
    std::unique_ptr<results_store> store = results_store::open(path, error);
    std::vector<history_row> rows;
    if (store)
        rows = store->history(filter, error);
    if (!error.empty()) {
        err << "history: " << error << "\n";
        return 1;
    }
    print_history(out, rows);
    return 0;
}

} // namespace check
