#include "pages/logic/edit_number.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <string>

namespace page_logic {

namespace {

constexpr size_t edit_text_limit = 15;

bool is_digit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

bool is_blank(char16_t c)
{
    return c == u' ' || c == u'\t';
}

} // namespace

double number_from_edit(std::u16string_view text)
{
    return number_in_edit(text).value_or(0);
}

std::optional<double> number_in_edit(std::u16string_view text)
{
    text = text.substr(0, std::min(text.size(), edit_text_limit));
    size_t start = 0;
    while (start < text.size() && !is_digit(text[start]) && text[start] != u'-')
        ++start;
    // a number is plain ASCII: the first other character ends it
    std::string ascii;
    for (size_t i = start; i < text.size() && text[i] < 0x80; ++i)
        ascii.push_back(static_cast<char>(text[i]));
    double value = 0;
    auto [end, error] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value, std::chars_format::general);
    (void)end;
    // "-inf" and "-nan" are no decimal numbers
    if (error != std::errc() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<long long> integer_in_range(std::u16string_view text, long long low, long long high)
{
    size_t i = 0;
    while (i < text.size() && is_blank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
        negative = text[i++] == u'-';
    size_t digits = i;
    // far beyond every range asked for, and far from overflowing
    constexpr long long cap = 1LL << 40;
    long long value = 0;
    for (; i < text.size() && is_digit(text[i]); ++i) {
        value = value * 10 + (text[i] - u'0');
        if (value > cap)
            return std::nullopt;
    }
    if (i == digits)
        return std::nullopt;
    while (i < text.size() && is_blank(text[i]))
        ++i;
    if (i != text.size())
        return std::nullopt;
    if (negative)
        value = -value;
    if (value < low || value > high)
        return std::nullopt;
    return value;
}

int integer_from_edit(std::u16string_view text)
{
    return static_cast<int>(integer_in_range(text, INT_MIN, INT_MAX).value_or(0));
}

} // namespace page_logic
