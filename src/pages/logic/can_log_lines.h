#pragma once
#include <string>
#include <string_view>

#include "card/card_ops.h"

namespace page_logic {

struct can_send_plan;

// The CAN page's log texts (UTF-8).

// "Tx: CanId:%d, fmt: %s, type: %s, Data :" with " %02X" per byte sent; when the data text
// held more bytes than an FD frame carries, the line says how many were sent.
std::string can_tx_line(const can_send_plan& plan);
// The same for a frame the card received, "Rx: …".
std::string can_rx_line(const card::can_frame& frame);
// "[%2d:%02d:%02d] %s": the time of day before a log text.
std::string can_log_line(int hour, int minute, int second, std::string_view text);
// Said when timed sending stops: how many timer ticks found the previous send still running.
std::string can_timed_send_stopped(unsigned skipped_ticks);

} // namespace page_logic
