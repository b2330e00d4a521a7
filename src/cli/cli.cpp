#include "cli/cli.h"

#include <ostream>

#include "check/check_commands.h"
#include "cli/bus_commands.h"
#include "cli/commands.h"
#include "cli/session.h"
#include "sim/cards/card_fault_commands.h"

namespace cli {

namespace {

const char* const usage =
    "usage: kestio-cli [--adapter NAME|INDEX] [--simulate[=LIST] [--card-fault \"FAULT\"]...] [--wait MS]\n"
    "                  [--capture FILE.pcapng [--capture-limit MB]] COMMAND\n"
    "commands:\n"
    "  adapters                      list the Ethernet adapters: index, name, MAC\n"
    "  slaves                        the slaves after the scan, as the main window lists them, with AL state\n"
    "  info POS                      every field of a slave's identity record\n"
    "  sii POS                       the SII image and what was parsed from it\n"
    "  upload POS INDEX:SUB [--type u8|u16|u32|i8|i16|i32|str|hex] [--size N]\n"
    "  download POS INDEX:SUB VALUE [--type ...]\n"
    "  run FILE|- [--keep-going]     one command per line (also 'sleep MS') on one bus session\n"
    "  bench cycle [--seconds N]     the 1 ms cycle against a device that answers every frame\n"
    "  bench sdo [--slaves N] [--count K]   SDO upload latency and rate on the simulated bus\n"
    "  bench scan [--slaves N]       time from start to every slave in PREOP\n"
    "  bench check                   one card's check per model against 16 cards at once (simulated bus)\n"
    "  (bench cycle, sdo and scan take --json)\n"
    "  soak [--minutes N|--seconds N]  transfers with read-back under one bus fault after another\n"
    "                                (simulated bus, default 16 cards); one JSON line at the end\n"
    "  check --print-plan MODEL      the built-in production-line check plan of a model, as a plan file\n"
    "  check --plan FILE --validate  read a plan file; errors name file, line and key\n"
    "  check [POS|all] [--plan FILE] [--expect-serial S] [--json FILE] [--junit FILE] [--db FILE|none]\n"
    "        [--operator NAME] [--station NAME]   the production-line check of every card at once\n"
    "  history [--serial S] [--last N] [--failed] [--db FILE]   past check results (check --help: database path)\n"
    "--simulate[=LIST]: the in-process simulated bus, e.g. --simulate=generic*3 (the default); LIST also takes\n"
    "  slaves running your firmware: firmware=PATH.so,sii=PATH.bin[,name=NAME] (see kestio-sim --help)\n";

// Starts a session, waits for the scan and runs one bus command or a script.
int run_on_bus(const options& opts, std::ostream& out, std::ostream& err)
{
    session bus;
    if (!bus.start(opts, err))
        return 1;
    if (!bus.wait_until_ready(10000))
        err << "warning: the scan did not finish within 10 s\n";
    const std::string& command = opts.words[0];
    if (command == "run") {
        if (opts.words.size() != 2) {
            err << "run takes one file name, or - for standard input\n";
            return 2;
        }
        return run_script(bus, opts.words[1], opts.keep_going, out, err);
    }
    return bus_command(bus, opts.words, out, err);
}

} // namespace

bool opens_network_adapter(const std::vector<std::string>& args)
{
    options opts;
    std::string error;
    if (!parse_options(args, opts, error) || opts.words.empty() || opts.simulate)
        return false;
    return opts.words[0] == "run" || opts.words[0] == "check" || is_bus_command(opts.words[0]);
}

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    options opts;
    std::string error;
    if (!parse_options(args, opts, error)) {
        err << error << "\n" << usage << sim::cards::card_fault_help;
        return 2;
    }
    if (opts.words.empty()) {
        err << usage << sim::cards::card_fault_help;
        return 2;
    }
    const std::string& command = opts.words[0];
    if (command == "--help" || command == "-h") {
        out << usage << sim::cards::card_fault_help;
        return 0;
    }
    if (!opts.card_faults.empty() && !opts.simulate) {
        err << "--card-fault breaks a card of the simulated bus: it needs --simulate\n";
        return 2;
    }
    if (command == "adapters")
        return command_adapters(opts, out, err);
    if (command == "bench" && opts.words.size() >= 2 && opts.words[1] == "cycle")
        return command_bench_cycle(opts, out, err);
    if (command == "bench" && opts.words.size() >= 2 && opts.words[1] == "sdo")
        return command_bench_sdo(opts, out, err);
    if (command == "bench" && opts.words.size() >= 2 && opts.words[1] == "scan")
        return command_bench_scan(opts, out, err);
    if (command == "bench" && opts.words.size() >= 2 && opts.words[1] == "check")
        return command_bench_check(opts, out, err);
    if (command == "soak")
        return command_soak(opts, out, err);
    if (command == "check")
        return command_check_run(opts, out, err);
    if (command == "history")
        return check::command_history(opts.words, out, err);
    if (command == "run" || is_bus_command(command))
        return run_on_bus(opts, out, err);
    err << "unknown command '" << command << "'\n" << usage << sim::cards::card_fault_help;
    return 2;
}

} // namespace cli
