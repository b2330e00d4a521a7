#pragma once
#include <string>

#include "check/check_record.h"

namespace check {

// The run as one JSON document (the fields the README lists), indented by two spaces.
std::string run_json(const run_record& run);

} // namespace check
