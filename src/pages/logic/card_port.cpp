#include "pages/logic/card_port.h"

#include <climits>

#include "card/card_ops.h"
#include "card/sdo_numbers.h"

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

int write_card_port_settings(ecat::master& m, uint16_t position, uint32_t baud, int stop_bits, int parity)
{
    if (int result = card::download_number(m, position, 0x2402, 0x06, uint64_t(parity), 2))
        return result;
    if (int result = card::download_number(m, position, 0x2402, 0x07, uint64_t(stop_bits), 2))
        return result;
    return card::download_number(m, position, 0x2402, 0x02, baud, 4);
}

int send_card_message(ecat::master& m, uint16_t position, const uint8_t* data, size_t length)
{
    if (int result = card::download_number(m, position, 0x2600, 0x01, 0, 2))
        return result;
    if (int result = card::usart_send(m, position, data, length).code)
        return result;
    return card::download_number(m, position, 0x2600, 0x01, 0x00FF, 2);
}

} // namespace page_logic
