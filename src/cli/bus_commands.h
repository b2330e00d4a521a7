#pragma once
#include <iosfwd>
#include <string>
#include <vector>

namespace cli {

class session;

// The commands that talk to slaves; words[0] is the command. Each prints its result
// and returns 0, or prints the failure and returns 1 (2 for bad arguments).
int bus_command(session& bus, const std::vector<std::string>& words, std::ostream& out, std::ostream& err);
bool is_bus_command(const std::string& name);

// Runs one command per line of the file ("-": standard input) on one session.
int run_script(session& bus, const std::string& path, bool keep_going, std::ostream& out, std::ostream& err);

} // namespace cli
