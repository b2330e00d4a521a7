// The lines the CAN page writes to its log.
#include <gtest/gtest.h>

#include "pages/logic/can_log_lines.h"
#include "pages/logic/can_send_plan.h"

namespace {

using page_logic::plan_can_send;

TEST(can_frame_lines, show_identifier_format_type_and_every_byte)
{
    EXPECT_EQ(page_logic::can_tx_line(plan_can_send(u"1", 0, 0, u"12 34 56 78 90 AB CD EF")),
              "Tx: CanId:1, fmt: 经典, type: 数据帧, Data : 12 34 56 78 90 AB CD EF");
    EXPECT_EQ(page_logic::can_tx_line(plan_can_send(u"300", 1, 0, u"1 2 3 4 5 6 7 8 9")),
              "Tx: CanId:300, fmt: FD, type: 数据帧, Data : 01 02 03 04 05 06 07 08 09 00 00 00");
    EXPECT_EQ(page_logic::can_tx_line(plan_can_send(u"5", 0, 1, u"")), "Tx: CanId:5, fmt: 经典, type: 远程帧, Data :");

    card::can_frame frame;
    frame.identifier = 291;
    frame.length = 3;
    frame.data[0] = 0x01;
    frame.data[1] = 0xAB;
    frame.data[2] = 0xFF;
    EXPECT_EQ(page_logic::can_rx_line(frame), "Rx: CanId:291, fmt: 经典, type: 数据帧, Data : 01 AB FF");
    // any format but 0 is FD, any type but 0 remote
    frame.format = 2;
    frame.type = 3;
    frame.length = 0;
    EXPECT_EQ(page_logic::can_rx_line(frame), "Rx: CanId:291, fmt: FD, type: 远程帧, Data :");
}

TEST(can_frame_lines, an_fd_text_longer_than_a_frame_says_what_was_sent)
{
    std::string line = page_logic::can_tx_line(plan_can_send(u"1", 1, 0, std::u16string(2 * 70, u'A')));
    std::string bytes;
    for (int i = 0; i < 64; ++i)
        bytes += " AA";
    EXPECT_EQ(line, "Tx: CanId:1, fmt: FD, type: 数据帧, Data :" + bytes + " (64 of 70 bytes sent)");
}

TEST(can_log_line, stamps_the_time_of_day)
{
    EXPECT_EQ(page_logic::can_log_line(9, 5, 3, "发送失败"), "[ 9:05:03] 发送失败");
    EXPECT_EQ(page_logic::can_log_line(23, 59, 0, "Tx: x"), "[23:59:00] Tx: x");
    EXPECT_EQ(page_logic::can_timed_send_stopped(12), "定时发送停止，上一帧未发完而跳过 12 次");
}

} // namespace
