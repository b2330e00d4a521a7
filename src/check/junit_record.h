#pragma once
#include <string>

#include "check/check_record.h"

namespace check {

// The run as JUnit XML: one test suite per card ("MODEL SERIAL"), one test case per check,
// a failure element with the measured value and the limits for each failed check.
std::string run_junit(const run_record& run);

} // namespace check
