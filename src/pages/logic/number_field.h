#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace page_logic {

// A number the operator types into a page: its name as the page shows it, its range, its
// unit, and whether it takes whole numbers only.
struct number_field {
    std::string name; // "模拟量输出1"
    double low = 0;
    double high = 0;
    std::string unit; // "V"; empty for a plain count
    bool whole = true;
};

// The value of a field, or the text that refuses it.
struct field_reading {
    std::optional<double> value;
    std::string refusal; // "输入无效：模拟量输出1 应为 0–10 V"
};

// Blanks around one decimal number (a whole one when the field asks for it) within the
// field's range; anything else, "3abc" or an empty field among it, is refused.
field_reading read_number_field(std::u16string_view text, const number_field& field);

} // namespace page_logic
