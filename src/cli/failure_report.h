#pragma once
#include <cstdint>
#include <iosfwd>
#include <string>

namespace cli {

// One line: the result's number, name and text, and the slave's own code with its text
// for an abort or a mailbox error ("error -71 (mailbox_error): ...; mailbox error 0x0005 ...").
void report_failure(int result, uint32_t abort_code, uint16_t mailbox_error_code, std::ostream& err);

// One line: the result's number, name and text, then what it concerns
// ("error 13 (adapter_index): there is no adapter at that index; --adapter 4").
void report_error(int result, const std::string& detail, std::ostream& err);

} // namespace cli
