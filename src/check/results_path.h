#pragma once
#include <string>

namespace check {

// $XDG_DATA_HOME/kestio-test/results.sqlite, or ~/.local/share/kestio-test/results.sqlite
// when XDG_DATA_HOME is unset or not absolute; empty when neither can be found.
std::string default_results_path();

} // namespace check
