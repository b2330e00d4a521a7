#pragma once
#include <string>
#include <vector>

namespace page_logic {

// A table as CSV text for spreadsheet programs: UTF-8 with a byte order mark (without it
// they read Chinese text in the local code page), CRLF line ends, a field quoted when it
// holds a comma, a quote or a line end.
std::string csv_text(const std::vector<std::vector<std::string>>& rows);

} // namespace page_logic
