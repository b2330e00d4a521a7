#pragma once
#include <iosfwd>
#include <string>
#include <vector>

namespace cli {

// Runs one kestio-cli invocation (arguments without the program name).
// Returns the process exit status.
int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// Whether this invocation opens a network interface; every other one (the simulated bus,
// the adapter list, the benches) needs no capability from its start.
bool opens_network_adapter(const std::vector<std::string>& args);

} // namespace cli
