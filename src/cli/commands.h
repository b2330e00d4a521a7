#pragma once
#include <iosfwd>
#include <string>
#include <vector>

namespace cli {

struct options {
    std::string adapter; // name or index; empty: none chosen
    bool simulate = false;
    std::string simulate_spec;            // empty: the default bus
    std::vector<std::string> card_faults; // put on the simulated bus's cards, as kestio-sim takes them
    int wait_ms = 10;
    std::string capture_path;
    long capture_limit_mb = 0; // 0: no limit
    bool json = false;
    bool keep_going = false;
    std::vector<std::string> words; // the command and its arguments
};

// Parses global options and leaves the rest in words. False with a message on error.
bool parse_options(const std::vector<std::string>& args, options& parsed, std::string& error);

int command_adapters(const options& opts, std::ostream& out, std::ostream& err);
int command_bench_cycle(const options& opts, std::ostream& out, std::ostream& err);
int command_bench_sdo(const options& opts, std::ostream& out, std::ostream& err);
int command_bench_scan(const options& opts, std::ostream& out, std::ostream& err);
int command_soak(const options& opts, std::ostream& out, std::ostream& err);
// check [POS|all] [--plan FILE] … on the bus; --print-plan, --validate and --help need none
int command_bench_check(const options& opts, std::ostream& out, std::ostream& err);
int command_check_run(const options& opts, std::ostream& out, std::ostream& err);

} // namespace cli
