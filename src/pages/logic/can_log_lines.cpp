#include "pages/logic/can_log_lines.h"

#include <algorithm>
#include <cstdio>

#include "pages/logic/can_send_plan.h"

namespace page_logic {

namespace {

std::string frame_line(const char* direction, const card::can_frame& frame)
{
    char head[64];
    std::snprintf(head, sizeof head, "%s: CanId:%d, fmt: ", direction, int(frame.identifier));
    std::string line = head;
    line += frame.format != 0 ? "FD" : "经典";
    line += ", type: ";
    line += frame.type == 0 ? "数据帧" : "远程帧";
    line += ", Data :";
    size_t length = std::min<size_t>(frame.length, sizeof frame.data);
    for (size_t i = 0; i < length; ++i) {
        char byte[4];
        std::snprintf(byte, sizeof byte, " %02X", unsigned(frame.data[i]));
        line += byte;
    }
    return line;
}

} // namespace

std::string can_tx_line(const can_send_plan& plan)
{
    std::string line = frame_line("Tx", plan.frame);
    // only an FD frame is cut short unseen: a classic one shows its 8 bytes as sent
    if (plan.frame.format != 0 && plan.parsed > plan.frame.length)
        line += " (" + std::to_string(plan.frame.length) + " of " + std::to_string(plan.parsed) + " bytes sent)";
    return line;
}

std::string can_rx_line(const card::can_frame& frame)
{
    return frame_line("Rx", frame);
}

std::string can_log_line(int hour, int minute, int second, std::string_view text)
{
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "[%2d:%02d:%02d] ", hour, minute, second);
    return stamp + std::string(text);
}

std::string can_timed_send_stopped(unsigned skipped_ticks)
{
    return "定时发送停止，上一帧未发完而跳过 " + std::to_string(skipped_ticks) + " 次";
}

} // namespace page_logic
