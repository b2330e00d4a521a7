#include "pages/logic/card_port.h"

#include <climits>

namespace page_logic {

std::optional<uint32_t> card_baud_from_text(std::u16string_view text)
{
    size_t i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    bool negative = i < text.size() && text[i] == u'-';
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
        ++i;
    uint64_t value = 0;
    size_t digits = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i, ++digits) {
        value = value * 10 + uint64_t(text[i] - u'0');
        if (value > uint64_t(INT_MAX))
            return std::nullopt;
    }
    if (digits == 0 || negative || value == 0)
        return std::nullopt;
    return uint32_t(value);
}

} // namespace page_logic
