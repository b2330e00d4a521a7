#pragma once
#include <chrono>
#include <optional>
#include <string>

namespace check {

// UTC in ISO 8601 with seconds, e.g. "2026-12-09T18:30:05Z": what every record stores.
std::string iso8601_utc(std::chrono::system_clock::time_point when);

// A measured value or limit for people to read: six significant digits, "-" for none.
std::string number_text(const std::optional<double>& value);

} // namespace check
