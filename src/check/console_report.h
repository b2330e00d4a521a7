#pragma once
#include <iosfwd>

#include "check/check_record.h"

namespace check {

// One line per finished check, as it finishes:
// "card 1 2025060200010001  analog.da0_ad0_5V  4.998 V  [4.9 .. 5.1] V  PASS"
void print_check_line(std::ostream& out, const card_result& card, const check_result& check);

// One row per card at the end: position, model, serial, checks, failed, verdict.
void print_summary_table(std::ostream& out, const run_record& run);

} // namespace check
