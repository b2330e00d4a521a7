#pragma once
#include <optional>
#include <string_view>

namespace page_logic {

// The number in a page's edit box (voltage, period, frequency, duty): only the first 15
// characters count; everything before the first decimal digit or minus sign is dropped
// and the rest is read as a decimal floating-point number as far as it goes. Text with
// no number in it, or one no double holds, reads as 0.
double number_from_edit(std::u16string_view text);

// The same rule for a field whose 0 would drive an output: no value when the text holds
// no number at all (empty, "abc", "-", or beyond a double).
std::optional<double> number_in_edit(std::u16string_view text);

// An integer edit field: blanks around an optionally signed decimal integer. Any other
// text, an empty one or a number outside the int range reads as 0.
int integer_from_edit(std::u16string_view text);

// An integer edit field whose text must be right: blanks around an optionally signed
// decimal integer within low..high, or nothing.
std::optional<long long> integer_in_range(std::u16string_view text, long long low, long long high);

} // namespace page_logic
