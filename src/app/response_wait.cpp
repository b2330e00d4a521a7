#include "app/response_wait.h"

#include "pages/logic/edit_number.h"

std::optional<int> response_wait_from_text(std::u16string_view text)
{
    // the integer rule reads every text that is not a number as 0: only a written 0 is 0
    int value = page_logic::integer_from_edit(text);
    bool written_zero =
        text.find_first_not_of(u" \t+-0") == std::u16string_view::npos && text.find(u'0') != std::u16string_view::npos;
    if (value == 0 && !written_zero)
        return std::nullopt;
    if (value < response_wait_limits_ms[0] || value > response_wait_limits_ms[1])
        return std::nullopt;
    return value;
}
