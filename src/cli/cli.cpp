#include "cli/cli.h"

#include <ostream>

#include "cli/commands.h"

namespace cli {

namespace {

const char* const usage =
    "usage: kestio-cli [--adapter NAME|INDEX] [--simulate[=SPEC]] [--wait MS] [--capture FILE.pcap] COMMAND\n"
    "commands:\n"
    "  adapters                          list the Ethernet adapters: index, name, MAC\n"
    "  bench cycle [--seconds N] [--json]  measure the 1 ms cycle against a device that answers every frame\n";

} // namespace

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    options opts;
    std::string error;
    if (!parse_options(args, opts, error)) {
        err << error << "\n" << usage;
        return 2;
    }
    if (opts.words.empty()) {
        err << usage;
        return 2;
    }
    const std::string& command = opts.words[0];
    if (command == "adapters")
        return command_adapters(opts, out, err);
    if (command == "bench" && opts.words.size() >= 2 && opts.words[1] == "cycle")
        return command_bench_cycle(opts, out, err);
    err << "unknown command '" << command << "'\n" << usage;
    return 2;
}

} // namespace cli
