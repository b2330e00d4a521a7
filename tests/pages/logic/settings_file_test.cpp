// Import and export of settings files: the reading order, the range checks with the section
// they name, and export → import giving the same configuration.
#include <random>

#include <gtest/gtest.h>

#include "pages/logic/profile_file.h"
#include "pages/logic/settings_file.h"

namespace {

using namespace page_logic;

settings_import import_text(const std::u16string& text)
{
    return import_settings(profile_file::from_text(text));
}

settings_import import_bytes(const std::string& text)
{
    return import_settings(profile_file::from_bytes({text.begin(), text.end()}));
}

// A file as the Windows tool's users write them: UTF-16 LE with a byte order mark, CRLF,
// comments, names in any case, some keys left out.
std::vector<uint8_t> windows_file()
{
    std::u16string text = u"; KestIO 配置\r\n"
                          u"[AD_Mode]\r\nAD01_Mode=1\r\nAD23_Mode=0\r\nAD45_Mode=1\r\nAD1415_Mode=1\r\n"
                          u"[AD_ODR]\r\nVal=12\r\n"
                          u"[CMP0]\r\nEnable=1\r\nMode=1\r\nOpposite=0\r\n"
                          u"[cmp1]\r\nenable=1\r\nmode=0\r\nopposite=1\r\n"
                          u"[Encoder]\r\nEnable=5\r\n"
                          u"[AD3_LAT]\r\nEnable=1\r\nEdge=1\r\nLat_Once=1\r\nSignal=6\r\n"
                          u"[AD15_LAT]\r\nEnable=1\r\nSignal=5\r\n"
                          u"[CMP1P_AD_LAT]\r\nEnable = 1\r\nEdge = 0\r\nSignal = 7\r\n";
    std::vector<uint8_t> bytes = {0xFF, 0xFE};
    for (char16_t c : text) {
        bytes.push_back(uint8_t(c));
        bytes.push_back(uint8_t(c >> 8));
    }
    return bytes;
}

TEST(settings_import, reads_a_file_written_for_the_windows_tool)
{
    settings_import result = import_settings(profile_file::from_bytes(windows_file()));
    ASSERT_TRUE(result.config) << result.bad_section;
    settings_config expected;
    expected.ad_mode = 0x1 | 0x10 | 0x4000;
    expected.rate_code = 12;
    expected.comparator_flags = 0x01 | 0x04 | 0x02 | 0x20;
    expected.encoder_flag = 1; // any nonzero value enables the encoder
    expected.ad_latch[3] = 0x1 | 0x2 | 0x4 | 0x60;
    expected.ad_latch[15] = 0x1 | 0x50;
    expected.comparator_latch[3] = 0x1 | 0x70;
    EXPECT_EQ(*result.config, expected);
}

TEST(settings_import, missing_sections_and_keys_read_zero)
{
    settings_import result = import_text(u"[CMP0]\nEnable=1\n");
    ASSERT_TRUE(result.config);
    EXPECT_EQ(result.config->rate_code, 0);
    settings_config expected;
    expected.comparator_flags = 1;
    EXPECT_EQ(*result.config, expected);
    EXPECT_EQ(*import_text(u"").config, settings_config{});
}

TEST(settings_import, a_value_out_of_range_names_its_section_and_gives_nothing)
{
    auto bad = [](const std::u16string& text) {
        settings_import result = import_text(text);
        EXPECT_FALSE(result.config);
        return result.bad_section;
    };
    EXPECT_EQ(bad(u"[AD_Mode]\nAD01_Mode=1\n[AD3_LAT]\nEnable=1\nSignal=8\n"), "AD3_LAT");
    EXPECT_EQ(bad(u"[AD_ODR]\nVal=23\n"), "AD_ODR");
    EXPECT_EQ(bad(u"[AD_Mode]\nAD67_Mode=2\n"), "AD_Mode");
    EXPECT_EQ(bad(u"[CMP1]\nOpposite=2\n"), "CMP1");
    EXPECT_EQ(bad(u"[CMP0N_AD_LAT]\nLat_Once=3\n"), "CMP0N_AD_LAT");
    EXPECT_EQ(bad(u"[CMP1P_AD_LAT]\nEdge=2\n"), "CMP1P_AD_LAT");
    // the first section in reading order is named, not the first in the file
    EXPECT_EQ(bad(u"[AD15_LAT]\nSignal=9\n[AD0_LAT]\nSignal=9\n[Encoder]\nEnable=77\n"), "AD0_LAT");
    EXPECT_EQ(import_error_text("AD3_LAT"), "读取失败，AD3_LAT参数错误！");
}

TEST(settings_import, negative_values_are_out_of_range)
{
    for (const char16_t* text : {u"[AD_ODR]\nVal=-1\n", u"[CMP0]\nEnable=-1\n", u"[AD7_LAT]\nSignal=-7\n"})
        EXPECT_FALSE(import_text(text).config) << std::string(text, text + 12);
    EXPECT_EQ(import_text(u"[AD7_LAT]\nSignal=-7\n").bad_section, "AD7_LAT");
    // the encoder's enable is not checked: -1 is not 0
    EXPECT_EQ(import_text(u"[Encoder]\nEnable=-1\n").config->encoder_flag, 1);
}

TEST(settings_import, never_sets_the_odd_ad_mode_bits_or_unused_latch_bits)
{
    std::u16string text = u"[AD_Mode]\n";
    for (int pair = 0; pair < 8; ++pair) {
        std::string key = "AD" + std::to_string(2 * pair) + std::to_string(2 * pair + 1) + "_Mode=1\n";
        text += std::u16string(key.begin(), key.end());
    }
    // keys of single channels are not part of the format
    text += u"AD1_Mode=1\nAD3_Mode=1\n";
    for (int n = 0; n < 16; ++n) {
        std::string section = "[AD" + std::to_string(n) + "_LAT]\nEnable=1\nEdge=1\nLat_Once=1\nSignal=7\n";
        text += std::u16string(section.begin(), section.end());
    }
    settings_config config = *import_text(text).config;
    EXPECT_EQ(config.ad_mode, 0x5555);
    for (uint16_t word : config.ad_latch)
        EXPECT_EQ(word, 0x77);
}

TEST(settings_export, writes_ascii_crlf_sections_in_reading_order)
{
    settings_config config;
    config.ad_mode = 0x0004;
    config.rate_code = 21;
    config.comparator_flags = 0x0012;
    config.encoder_flag = 1;
    config.ad_latch[0] = 0x0035;
    config.comparator_latch[3] = 0x0073;
    std::string text = export_settings(config);
    EXPECT_TRUE(text.starts_with("[AD_Mode]\r\nAD01_Mode=0\r\nAD23_Mode=1\r\nAD45_Mode=0\r\nAD67_Mode=0\r\n"
                                 "AD89_Mode=0\r\nAD1011_Mode=0\r\nAD1213_Mode=0\r\nAD1415_Mode=0\r\n"))
        << text;
    EXPECT_NE(text.find("\r\n\r\n[AD_ODR]\r\nVal=21\r\n\r\n[CMP0]\r\nEnable=0\r\nMode=0\r\nOpposite=0\r\n\r\n"
                        "[CMP1]\r\nEnable=1\r\nMode=1\r\nOpposite=0\r\n\r\n[Encoder]\r\nEnable=1\r\n\r\n"
                        "[AD0_LAT]\r\nEnable=1\r\nEdge=0\r\nLat_Once=1\r\nSignal=3\r\n"),
              std::string::npos)
        << text;
    EXPECT_TRUE(text.ends_with("[CMP1P_AD_LAT]\r\nEnable=1\r\nEdge=1\r\nLat_Once=0\r\nSignal=7\r\n")) << text;
    EXPECT_LT(text.find("[AD15_LAT]"), text.find("[CMP0N_AD_LAT]"));
    for (size_t i = 0; i < text.size(); ++i) {
        ASSERT_LT(uint8_t(text[i]), 0x80);
        if (text[i] == '\n') {
            ASSERT_EQ(text[i - 1], '\r');
        }
    }
}

TEST(settings_export, export_then_import_gives_the_same_configuration_bit_for_bit)
{
    std::mt19937 random(17);
    auto bits = [&](uint16_t mask) { return uint16_t(random() & mask); };
    for (int round = 0; round < 200; ++round) {
        settings_config config;
        config.ad_mode = bits(0x5555);
        config.rate_code = uint16_t(random() % 23);
        config.comparator_flags = bits(0x003F);
        config.encoder_flag = bits(0x0001);
        for (uint16_t& word : config.ad_latch)
            word = bits(0x0077);
        for (uint16_t& word : config.comparator_latch)
            word = bits(0x0077);
        settings_import back = import_bytes(export_settings(config));
        ASSERT_TRUE(back.config) << back.bad_section;
        ASSERT_EQ(*back.config, config) << export_settings(config);
    }
}

TEST(settings_export, bits_the_file_has_no_key_for_are_left_out)
{
    settings_config config = settings_config::filled(0xFFFF);
    config.rate_code = 3;
    settings_config back = *import_bytes(export_settings(config)).config;
    EXPECT_EQ(back.ad_mode, 0x5555);
    EXPECT_EQ(back.comparator_flags, 0x003F);
    EXPECT_EQ(back.encoder_flag, 1);
    EXPECT_EQ(back.ad_latch[9], 0x0077);
    // a rate code no file may hold is written as it is, and the file then fails to import
    config.rate_code = 23;
    EXPECT_EQ(import_bytes(export_settings(config)).bad_section, "AD_ODR");
}

} // namespace
