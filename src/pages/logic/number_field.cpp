#include "pages/logic/number_field.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace page_logic {

namespace {

bool is_blank(char16_t c)
{
    return c == u' ' || c == u'\t';
}

// Plain decimal only: no exponent, no hexadecimal, no "inf"; a point only where allowed.
bool decimal_text(const std::string& text, bool whole)
{
    size_t i = text.empty() || text[0] != '-' ? 0 : 1;
    size_t digits = 0, points = 0;
    for (; i < text.size(); ++i) {
        if (text[i] >= '0' && text[i] <= '9')
            ++digits;
        else if (text[i] == '.' && !whole && ++points == 1)
            continue;
        else
            return false;
    }
    return digits > 0;
}

std::string shown_number(double value)
{
    char text[32];
    if (value == std::trunc(value))
        std::snprintf(text, sizeof text, "%.0f", value);
    else
        std::snprintf(text, sizeof text, "%g", value);
    return text;
}

} // namespace

field_reading read_number_field(std::u16string_view text, const number_field& field)
{
    while (!text.empty() && is_blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && is_blank(text.back()))
        text.remove_suffix(1);
    std::string ascii;
    for (char16_t c : text)
        ascii.push_back(c < 0x80 ? char(c) : '?');
    if (!ascii.empty() && ascii[0] == '+')
        ascii.erase(0, 1);
    double value = 0;
    if (decimal_text(ascii, field.whole)) {
        auto [end, error] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
        if (error == std::errc() && end == ascii.data() + ascii.size() && value >= field.low && value <= field.high)
            return {value, {}};
    }
    std::string refusal =
        "输入无效：" + field.name + " 应为 " + shown_number(field.low) + "–" + shown_number(field.high);
    if (!field.unit.empty())
        refusal += " " + field.unit;
    return {std::nullopt, refusal};
}

} // namespace page_logic
