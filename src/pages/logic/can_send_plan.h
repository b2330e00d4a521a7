#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "card/card_ops.h"

namespace page_logic {

// The CAN page's send data: hexadecimal digits read in pairs from the left, anything else
// skipped; a digit whose neighbour is no digit (or the last one) is a byte by itself, and
// that neighbour is dropped. At most 128 bytes.
std::vector<uint8_t> can_bytes_from_hex(std::u16string_view text);
constexpr size_t can_text_byte_limit = 128;

// The data length sent for n parsed bytes: classic frames at most 8; CAN FD up to 8 as
// given, above it the next payload size (12, 16, 20, 24, 32, 48, 64), never more than 64.
uint16_t can_data_length(size_t parsed, bool fd);

// What one press of 发送数据 sends: the frame (length already applied, bytes added by
// rounding zero), or the log text saying why nothing is sent.
struct can_send_plan {
    std::string refusal;
    card::can_frame frame;
    size_t parsed = 0; // bytes the data text held

    bool sends() const { return refusal.empty(); }
};

// format: 0 classic, 1 FD; type: 0 data, 1 remote (the list indices of the page).
can_send_plan plan_can_send(std::u16string_view identifier, int format, int type, std::u16string_view data);

} // namespace page_logic
