// What the CAN page makes of its identifier, format, type and data text before sending.
#include <gtest/gtest.h>

#include "pages/logic/can_send_plan.h"

namespace {

using page_logic::can_bytes_from_hex;
using page_logic::can_data_length;
using page_logic::plan_can_send;
using bytes = std::vector<uint8_t>;

TEST(can_bytes_from_hex, pairs_digits_and_lets_a_lone_digit_stand_for_itself)
{
    EXPECT_EQ(can_bytes_from_hex(u"12 34 56 78 90 AB CD EF"), (bytes{0x12, 0x34, 0x56, 0x78, 0x90, 0xAB, 0xCD, 0xEF}));
    EXPECT_EQ(can_bytes_from_hex(u"12 34 5"), (bytes{0x12, 0x34, 0x05}));
    EXPECT_EQ(can_bytes_from_hex(u"123"), (bytes{0x12, 0x03}));
    EXPECT_EQ(can_bytes_from_hex(u"ab,cD"), (bytes{0xAB, 0xCD}));
    // the character after a lone digit goes with it, even when it is where a digit would start
    EXPECT_EQ(can_bytes_from_hex(u"1 2"), (bytes{0x01, 0x02}));
    EXPECT_EQ(can_bytes_from_hex(u"1,,2"), (bytes{0x01, 0x02}));
    EXPECT_EQ(can_bytes_from_hex(u"1x23"), (bytes{0x01, 0x23}));
    EXPECT_EQ(can_bytes_from_hex(u"数据 0F 非 g1"), (bytes{0x0F, 0x01}));
    EXPECT_EQ(can_bytes_from_hex(u"  "), bytes{});
    EXPECT_EQ(can_bytes_from_hex(u""), bytes{});
}

TEST(can_bytes_from_hex, stops_at_128_bytes)
{
    std::u16string text;
    for (int i = 0; i < 130; ++i)
        text += i % 2 ? u"A5 " : u"5a ";
    bytes parsed = can_bytes_from_hex(text);
    ASSERT_EQ(parsed.size(), 128u);
    EXPECT_EQ(parsed[0], 0x5A);
    EXPECT_EQ(parsed[127], 0xA5);
    // 128 pairs without separators are all taken, the 129th is not
    EXPECT_EQ(can_bytes_from_hex(std::u16string(256, u'F')).size(), 128u);
    EXPECT_EQ(can_bytes_from_hex(std::u16string(258, u'F')).size(), 128u);
}

TEST(can_data_length, limits_classic_frames_and_rounds_fd_up_to_a_payload_size)
{
    for (size_t n = 0; n <= 8; ++n) {
        EXPECT_EQ(can_data_length(n, false), n);
        EXPECT_EQ(can_data_length(n, true), n);
    }
    EXPECT_EQ(can_data_length(9, false), 8);
    EXPECT_EQ(can_data_length(128, false), 8);
    struct step {
        size_t first, last;
        uint16_t size;
    };
    for (step s : {step{9, 12, 12}, {13, 16, 16}, {17, 20, 20}, {21, 24, 24}, {25, 32, 32}, {33, 48, 48}, {49, 64, 64}})
        for (size_t n = s.first; n <= s.last; ++n)
            EXPECT_EQ(can_data_length(n, true), s.size) << n;
    // an FD frame never carries more than 64 bytes
    EXPECT_EQ(can_data_length(65, true), 64);
    EXPECT_EQ(can_data_length(128, true), 64);
}

TEST(plan_can_send, refuses_empty_data_for_a_data_frame_and_a_bad_identifier)
{
    EXPECT_EQ(plan_can_send(u"1", 0, 0, u"").refusal, "发送数据为空");
    EXPECT_EQ(plan_can_send(u"1", 1, 0, u"").refusal, "发送数据为空");
    for (const char16_t* identifier : {u"abc", u"536870912", u"-5", u"3abc", u""})
        EXPECT_EQ(plan_can_send(identifier, 0, 1, u"12").refusal, "输入无效：id 应为 0–536870911");
}

TEST(plan_can_send, cuts_classic_frames_and_zero_fills_rounded_fd_frames)
{
    const char16_t* ten = u"01 02 03 04 05 06 07 08 09 0A";
    page_logic::can_send_plan classic = plan_can_send(u"1", 0, 0, ten);
    EXPECT_EQ(classic.frame.length, 8);
    EXPECT_EQ(classic.parsed, 10u);
    EXPECT_EQ(classic.frame.data[8], 0);

    page_logic::can_send_plan fd = plan_can_send(u"1", 1, 0, ten);
    EXPECT_EQ(fd.frame.format, 1);
    ASSERT_EQ(fd.frame.length, 12);
    EXPECT_EQ(bytes(fd.frame.data + 8, fd.frame.data + 12), (bytes{0x09, 0x0A, 0, 0}));

    page_logic::can_send_plan long_fd = plan_can_send(u"1", 1, 0, std::u16string(200, u'7'));
    EXPECT_EQ(long_fd.parsed, 100u);
    EXPECT_EQ(long_fd.frame.length, 64);
    EXPECT_EQ(long_fd.frame.data[63], 0x77);
}

} // namespace
