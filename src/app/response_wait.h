#pragma once
#include <optional>
#include <string_view>

// The network response wait the adapter dialog accepts, in milliseconds.
constexpr int response_wait_limits_ms[2] = {0, 1000};

// The wait typed into the dialog: a whole number within the limits, else no value.
std::optional<int> response_wait_from_text(std::u16string_view text);
