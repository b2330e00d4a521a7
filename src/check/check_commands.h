#pragma once
#include <iosfwd>
#include <string>
#include <vector>

namespace check {

// kestio-cli check …: words[0] is "check". Exit status 0, or 2 for a bad argument or plan.
int command_check(const std::vector<std::string>& words, std::ostream& out, std::ostream& err);

// kestio-cli history [--serial S] [--last N] [--failed] [--db FILE]: words[0] is "history".
int command_history(const std::vector<std::string>& words, std::ostream& out, std::ostream& err);

} // namespace check
