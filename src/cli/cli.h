#pragma once
#include <iosfwd>
#include <string>
#include <vector>

namespace cli {

// Runs one kestio-cli invocation (arguments without the program name).
// Returns the process exit status.
int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace cli
