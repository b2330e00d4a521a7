#pragma once
#include <string>

#include "ecat/slave.h"
#include "ecat/slave_info.h"

namespace cli {

// The line the main window lists a slave with: "(0) ZEIO(VID:..., PID:...)".
std::string slave_list_line(int position, const ecat::slave_info& info);
// Every field of the identity record, one per line.
std::string slave_info_report(const ecat::slave_info& info);
// Why requests to the slave fail, one line per reason; empty when nothing stands out.
std::string slave_notes(const ecat::slave& s);
// The SII image as words, eight to a line, then what was parsed from it.
std::string sii_report(const ecat::slave& s);

} // namespace cli
