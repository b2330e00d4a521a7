// The profile file reader: names and values as the Windows profile functions read them, and
// the encodings a settings file comes in.
#include <gtest/gtest.h>

#include "pages/logic/profile_file.h"

namespace {

using page_logic::profile_file;

std::vector<uint8_t> bytes_of(const std::string& text)
{
    return {text.begin(), text.end()};
}

std::vector<uint8_t> utf16(const std::u16string& text, bool big_endian)
{
    std::vector<uint8_t> bytes = big_endian ? std::vector<uint8_t>{0xFE, 0xFF} : std::vector<uint8_t>{0xFF, 0xFE};
    for (char16_t c : text) {
        uint8_t low = uint8_t(c), high = uint8_t(c >> 8);
        bytes.push_back(big_endian ? high : low);
        bytes.push_back(big_endian ? low : high);
    }
    return bytes;
}

TEST(profile_file, names_ignore_case_and_spaces_around_names_and_values)
{
    profile_file file = profile_file::from_text(u"  [ Ad_oDr ]  \r\n   vAL  =   17  \r\n[cmp0]\nENABLE=1\rMode = 0\n");
    EXPECT_EQ(file.integer("AD_ODR", "Val"), 17);
    EXPECT_EQ(file.integer("CMP0", "Enable"), 1);
    EXPECT_EQ(file.integer("cmp0", "MODE", 5), 0);
    EXPECT_EQ(file.value("ad_odr", "val"), u"17");
}

TEST(profile_file, missing_sections_keys_and_empty_values_give_the_fallback)
{
    profile_file file = profile_file::from_text(u"Val=3\n[AD_ODR]\nOther=4\nEmpty=\nBare\n");
    EXPECT_EQ(file.integer("AD_ODR", "Val"), 0); // the line before any section belongs to none
    EXPECT_EQ(file.integer("AD_ODR", "Val", 9), 9);
    EXPECT_EQ(file.integer("Encoder", "Enable", 9), 9);
    EXPECT_EQ(file.integer("AD_ODR", "Empty", 9), 9);
    EXPECT_EQ(file.integer("AD_ODR", "Bare", 9), 9);
    EXPECT_FALSE(file.value("AD_ODR", "Val"));
}

TEST(profile_file, comment_lines_and_broken_headers_are_skipped)
{
    profile_file file = profile_file::from_text(u"[CMP1]\n; Enable=1\n;Mode=1\n[Broken\nOpposite=1\n");
    EXPECT_EQ(file.integer("CMP1", "Enable", 9), 9);
    EXPECT_EQ(file.integer("CMP1", "Mode", 9), 9);
    // the line without ']' starts no section: the key stays in CMP1
    EXPECT_EQ(file.integer("CMP1", "Opposite"), 1);
}

TEST(profile_file, the_first_of_repeated_sections_and_keys_counts)
{
    profile_file file = profile_file::from_text(u"[AD_ODR]\nVal=5\nVal=6\n[ad_odr]\nVal=7\nOther=8\n");
    EXPECT_EQ(file.integer("AD_ODR", "Val"), 5);
    // a key only in the repeated section is not found, as Windows does not search on
    EXPECT_EQ(file.integer("AD_ODR", "Other", 9), 9);
}

TEST(profile_file, values_read_as_leading_decimal_integers)
{
    profile_file file = profile_file::from_text(u"[S]\na=12abc\nb= +3 ; note\nc=-4\nd=0x10\ne=abc\nf=\"21\"\n"
                                                u"g='1'\nh=99999999999999999999\ni=-99999999999999999999\nj=007\n");
    EXPECT_EQ(file.integer("S", "a"), 12);
    EXPECT_EQ(file.integer("S", "b"), 3);
    EXPECT_EQ(file.integer("S", "c"), -4);
    EXPECT_EQ(file.integer("S", "d"), 0);
    EXPECT_EQ(file.integer("S", "e", 9), 0);
    EXPECT_EQ(file.integer("S", "f"), 21);
    EXPECT_EQ(file.integer("S", "g"), 1);
    EXPECT_EQ(file.integer("S", "h"), 2147483647);
    EXPECT_EQ(file.integer("S", "i"), -2147483648LL);
    EXPECT_EQ(file.integer("S", "j"), 7);
}

TEST(profile_file, reads_utf16_with_either_byte_order_mark)
{
    std::u16string text = u"; 配置文件\r\n[AD_ODR]\r\nVal=22\r\n";
    EXPECT_EQ(profile_file::from_bytes(utf16(text, false)).integer("AD_ODR", "Val"), 22);
    EXPECT_EQ(profile_file::from_bytes(utf16(text, true)).integer("AD_ODR", "Val"), 22);
}

TEST(profile_file, reads_utf8_with_or_without_its_mark_and_other_8_bit_text)
{
    std::string text = "; 配置\r\n[Encoder]\r\nEnable=1\r\n";
    EXPECT_EQ(profile_file::from_bytes(bytes_of(text)).integer("Encoder", "Enable"), 1);
    EXPECT_EQ(profile_file::from_bytes(bytes_of("\xEF\xBB\xBF" + text)).integer("Encoder", "Enable"), 1);
    // a comment in GBK is no valid UTF-8: the file reads in the local code page
    std::string gbk = "; \xC5\xE4\xD6\xC3\r\n[Encoder]\r\nEnable=1\r\n";
    EXPECT_EQ(profile_file::from_bytes(bytes_of(gbk)).integer("Encoder", "Enable"), 1);
    EXPECT_EQ(profile_file::from_bytes({}).integer("Encoder", "Enable", 9), 9);
}

} // namespace
