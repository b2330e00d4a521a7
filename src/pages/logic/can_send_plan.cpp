#include "pages/logic/can_send_plan.h"

#include <algorithm>

#include "pages/logic/number_field.h"

namespace page_logic {

namespace {

constexpr uint16_t classic_limit = 8;
constexpr uint16_t fd_payload_sizes[] = {12, 16, 20, 24, 32, 48, 64};
constexpr uint32_t highest_identifier = 0x1FFFFFFF;

std::optional<uint8_t> hex_value(char16_t c)
{
    if (c >= u'0' && c <= u'9')
        return uint8_t(c - u'0');
    if (c >= u'A' && c <= u'F')
        return uint8_t(c - u'A' + 10);
    if (c >= u'a' && c <= u'f')
        return uint8_t(c - u'a' + 10);
    return std::nullopt;
}

} // namespace

std::vector<uint8_t> can_bytes_from_hex(std::u16string_view text)
{
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i < text.size() && bytes.size() < can_text_byte_limit; ++i) {
        std::optional<uint8_t> high = hex_value(text[i]);
        if (!high)
            continue;
        if (i + 1 == text.size()) {
            bytes.push_back(*high);
            break;
        }
        std::optional<uint8_t> low = hex_value(text[++i]);
        bytes.push_back(low ? uint8_t(*high << 4 | *low) : *high);
    }
    return bytes;
}

uint16_t can_data_length(size_t parsed, bool fd)
{
    if (parsed <= classic_limit)
        return uint16_t(parsed);
    if (!fd)
        return classic_limit;
    for (uint16_t size : fd_payload_sizes)
        if (parsed <= size)
            return size;
    return fd_payload_sizes[std::size(fd_payload_sizes) - 1];
}

can_send_plan plan_can_send(std::u16string_view identifier, int format, int type, std::u16string_view data)
{
    can_send_plan plan;
    if (type == 0 && data.empty()) {
        plan.refusal = "发送数据为空";
        return plan;
    }
    field_reading id = read_number_field(identifier, {"id", 0, highest_identifier, "", true});
    if (!id.value) {
        plan.refusal = id.refusal;
        return plan;
    }
    std::vector<uint8_t> bytes = can_bytes_from_hex(data);
    plan.parsed = bytes.size();
    card::can_frame& frame = plan.frame;
    frame.identifier = uint32_t(*id.value);
    frame.format = format == 0 ? 0 : 1;
    frame.type = type == 0 ? 0 : 1;
    frame.length = can_data_length(bytes.size(), frame.format == 1);
    // the frame's buffer starts zeroed, so the bytes rounding adds are zero
    std::copy_n(bytes.begin(), std::min<size_t>(bytes.size(), frame.length), frame.data);
    return plan;
}

} // namespace page_logic
