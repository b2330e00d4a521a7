// The USART page's logic without widgets: hex text, character sets, the display rule for
// PC bytes, the PC port's messages and rules, the card baud text.
#include <gtest/gtest.h>

#include <termios.h>

#include <numeric>
#include <random>

#include "pages/logic/byte_decoder.h"
#include "pages/logic/card_port.h"
#include "pages/logic/display_buffer.h"
#include "pages/logic/hex_text.h"
#include "pages/logic/line_limiter.h"
#include "pages/logic/pc_port_rules.h"
#include "pages/logic/text_codec.h"

namespace page_logic {
namespace {

using bytes = std::vector<uint8_t>;

bytes of(const std::string& text)
{
    return bytes(text.begin(), text.end());
}

TEST(hex_text, parsing_takes_pairs_and_single_digits_and_stops_at_anything_else)
{
    EXPECT_EQ(parse_hex(of("01 2 A3 zz 44")), (bytes{0x01, 0x02, 0xA3}));
    EXPECT_EQ(parse_hex(of("123")), (bytes{0x12, 0x03}));
    EXPECT_EQ(parse_hex(of("  ab  Cd ")), (bytes{0xAB, 0xCD}));
    EXPECT_EQ(parse_hex(of("7x 55")), (bytes{0x07})) << "the digit before the stop counts";
    EXPECT_EQ(parse_hex(of("é")), bytes{});
    EXPECT_EQ(hex_text(bytes{0x00, 0x0A, 0xFF}), "00 0A FF ");
    bytes all(256);
    std::iota(all.begin(), all.end(), 0);
    EXPECT_EQ(parse_hex(of(hex_text(all))), all);
}

TEST(text_codec, text_and_bytes_convert_both_ways_in_the_chosen_codec)
{
    EXPECT_EQ(encode_text("GBK", "中文 A"), (bytes{0xD6, 0xD0, 0xCE, 0xC4, ' ', 'A'}));
    EXPECT_EQ(decode_text("GBK", bytes{0xD6, 0xD0, 0xCE, 0xC4}), "中文");
    EXPECT_EQ(hex_text(encode_text("CP1252", "é")), "E9 ");
    EXPECT_EQ(decode_text("CP1252", bytes{0xE9, 0x80}), "é€");
    EXPECT_EQ(encode_text("UTF-8", "é"), (bytes{0xC3, 0xA9}));
    EXPECT_EQ(encode_text("CP1252", "a中b"), of("a?b")) << "a character the codec lacks";
    EXPECT_EQ(decode_text("CP1252", bytes{'a', 0x81, 'b'}), "a\uFFFDb") << "a byte the codec lacks";
    EXPECT_EQ(decode_text("GBK", bytes{'x', 0xD6}), "x\uFFFD") << "a character cut off at the end";
    EXPECT_EQ(codec_or_locale("GBK"), "GBK");
    EXPECT_EQ(codec_or_locale("no-such-codec"), codec_or_locale(""));
}

TEST(byte_decoder, a_character_split_between_chunks_is_joined_and_bad_bytes_show)
{
    byte_decoder gbk("GBK");
    EXPECT_EQ(gbk.decode(bytes{'a', 0xD6}.data(), 2), "a");
    EXPECT_EQ(gbk.decode(bytes{0xD0, 0xCE}.data(), 2), "中");
    EXPECT_EQ(gbk.decode(bytes{0xC4}.data(), 1), "文");
    EXPECT_EQ(gbk.decode(bytes{0xD6}.data(), 1), "");
    EXPECT_EQ(gbk.flush(), "\uFFFD") << "held bytes are shown, never dropped";
    EXPECT_EQ(gbk.decode(bytes{'b'}.data(), 1), "b");

    byte_decoder utf8("UTF-8");
    bytes split = of("€uro");
    std::string text = utf8.decode(split.data(), 1);
    text += utf8.decode(split.data() + 1, split.size() - 1);
    EXPECT_EQ(text, "€uro");
    EXPECT_EQ(utf8.decode(bytes{'1', 0xFF, 0xFE, '2'}.data(), 4), "1\uFFFD\uFFFD2");
}

TEST(display_buffer, bytes_show_after_a_quiet_tick_or_at_once_when_the_buffer_fills)
{
    display_buffer buffer;
    bytes chunk(100, 'x');
    EXPECT_TRUE(buffer.add(chunk.data(), chunk.size()).empty());
    EXPECT_TRUE(buffer.tick().empty()) << "bytes arrived during this tick";
    EXPECT_EQ(buffer.tick().size(), 100u) << "a tick without new bytes";
    EXPECT_TRUE(buffer.tick().empty());

    // a stream without pauses: shown in full buffers, nothing dropped
    std::mt19937 random(7);
    size_t added = 0, shown = 0;
    bytes stream(7000);
    for (int step = 0; step < 200; ++step) {
        size_t length = 1 + random() % (stream.size() - 1);
        added += length;
        shown += buffer.add(stream.data(), length).size();
        if (step % 3 == 0) {
            EXPECT_TRUE(buffer.tick().empty());
        }
    }
    EXPECT_EQ(shown % display_buffer::capacity, 0u);
    EXPECT_LT(added - shown, display_buffer::capacity);
    shown += buffer.tick().size() + buffer.tick().size();
    EXPECT_EQ(shown, added);

    buffer.add(chunk.data(), chunk.size());
    EXPECT_EQ(buffer.take_all().size(), 100u);
    EXPECT_TRUE(buffer.tick().empty());
}

TEST(line_limiter, a_long_run_without_a_break_continues_on_the_next_line)
{
    line_limiter lines(4);
    EXPECT_EQ(lines.apply("abcdefghij"), "abcd\nefgh\nij");
    EXPECT_EQ(lines.apply("kl\nmnopq"), "kl\nmnop\nq") << "the line goes on across appends";
    EXPECT_EQ(lines.apply("rst\n"), "rst\n") << "a full line that ends anyway gets no extra break";
    EXPECT_EQ(lines.apply("中文中文中"), "中文中文\n中") << "characters, not bytes";
    lines.reset();
    EXPECT_EQ(lines.apply("uvwx"), "uvwx");
}

TEST(pc_port_rules, messages_name_the_operation_the_reason_and_the_port)
{
    EXPECT_EQ(serial_error_text("打开串口", "No such file or directory", "ttyUSB9"),
              "警告:  打开串口 失败! \n\n其原因是: \nNo such file or directory\n端口: ttyUSB9\n");
    EXPECT_EQ(port_display_name("/dev/ttyUSB0"), "ttyUSB0");
    EXPECT_EQ(port_display_name("/dev/pts/5"), "pts/5");
    EXPECT_EQ(port_display_name("ttyS1"), "ttyS1");
}

TEST(pc_port_rules, settings_linux_cannot_hold_are_refused)
{
    pc_port_settings settings;
    EXPECT_EQ(unsupported_setting(settings), "");
    settings.stop_bits = 1; // 1.5
    EXPECT_NE(unsupported_setting(settings), "");

    settings = {115200, 7, 3, 2}; // 7 bits, mark parity, 2 stop bits
    termios mode{};
    mode.c_cflag = CS7 | PARENB | PARODD | CMSPAR | CSTOPB;
    EXPECT_EQ(setting_not_taken(mode, settings), "");
    mode.c_cflag &= ~tcflag_t(CMSPAR); // a driver that turned mark into odd parity
    EXPECT_NE(setting_not_taken(mode, settings), "");
    settings = {9600, 8, 0, 0};
    mode.c_cflag = CS8 | PARODD; // odd without parity enabled is no parity
    EXPECT_EQ(setting_not_taken(mode, settings), "");
    mode.c_cflag = CS7;
    EXPECT_NE(setting_not_taken(mode, settings), "");
}

TEST(card_port, the_typed_baud_rate_must_be_a_positive_number)
{
    auto baud = [](const char16_t* text) { return card_baud_from_text(text); };
    EXPECT_EQ(baud(u"115200"), 115200u);
    EXPECT_EQ(baud(u" 9600 bps"), 9600u);
    EXPECT_EQ(baud(u"+300"), 300u);
    EXPECT_EQ(baud(u"fast"), std::nullopt);
    EXPECT_EQ(baud(u""), std::nullopt);
    EXPECT_EQ(baud(u"0"), std::nullopt);
    EXPECT_EQ(baud(u"-9600"), std::nullopt);
    EXPECT_EQ(baud(u"99999999999"), std::nullopt);
}

} // namespace
} // namespace page_logic
