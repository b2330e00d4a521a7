// Numbers typed into the pages' edit boxes.
#include <gtest/gtest.h>

#include "pages/logic/edit_number.h"

namespace {

using page_logic::integer_from_edit;
using page_logic::number_from_edit;
using page_logic::number_in_edit;

TEST(number_from_edit, reads_plain_decimal_numbers)
{
    EXPECT_DOUBLE_EQ(number_from_edit(u"5"), 5);
    EXPECT_DOUBLE_EQ(number_from_edit(u"1000.0"), 1000);
    EXPECT_DOUBLE_EQ(number_from_edit(u"0.5"), 0.5);
    EXPECT_DOUBLE_EQ(number_from_edit(u"-0.5"), -0.5);
    EXPECT_DOUBLE_EQ(number_from_edit(u"10.01"), 10.01);
    EXPECT_DOUBLE_EQ(number_from_edit(u"1e3"), 1000);
}

TEST(number_from_edit, drops_what_comes_before_the_number_and_stops_after_it)
{
    EXPECT_DOUBLE_EQ(number_from_edit(u"  3.3"), 3.3);
    EXPECT_DOUBLE_EQ(number_from_edit(u"V=7.25"), 7.25);
    EXPECT_DOUBLE_EQ(number_from_edit(u"电压2.5"), 2.5);
    EXPECT_DOUBLE_EQ(number_from_edit(u"+4"), 4);
    // the point before the first digit is dropped with the rest
    EXPECT_DOUBLE_EQ(number_from_edit(u".5"), 5);
    EXPECT_DOUBLE_EQ(number_from_edit(u"-.5"), -0.5);
    EXPECT_DOUBLE_EQ(number_from_edit(u"2.5V"), 2.5);
    EXPECT_DOUBLE_EQ(number_from_edit(u"50 %"), 50);
    EXPECT_DOUBLE_EQ(number_from_edit(u"1.5.6"), 1.5);
}

TEST(number_from_edit, only_the_first_15_characters_count)
{
    EXPECT_DOUBLE_EQ(number_from_edit(u"123456789012345"), 123456789012345.0);
    EXPECT_DOUBLE_EQ(number_from_edit(u"1234567890123456789"), 123456789012345.0);
    // a number that starts beyond the limit is not seen
    EXPECT_DOUBLE_EQ(number_from_edit(u"abcdefghijklmno5"), 0);
    // characters, not bytes: fourteen CJK characters leave room for one digit
    EXPECT_DOUBLE_EQ(number_from_edit(u"频率频率频率频率频率频率频率1000"), 1);
}

TEST(number_from_edit, reads_0_where_there_is_no_number)
{
    for (const char16_t* text : {u"", u"abc", u"-", u"--5", u"-x", u"-inf", u"-nan", u"   ", u"1e999"})
        EXPECT_EQ(number_from_edit(text), 0) << std::u16string_view(text).size();
    // hexadecimal is not a decimal number: only its leading 0 is
    EXPECT_EQ(number_from_edit(u"0x10"), 0);
}

TEST(number_in_edit, has_no_value_where_the_rule_finds_no_number)
{
    for (const char16_t* text : {u"", u"abc", u"-", u"   ", u"1e999", u"abcdefghijklmno5"})
        EXPECT_FALSE(number_in_edit(text).has_value()) << std::u16string_view(text).size();
    // a written 0 is a number, and so is what the rule reads around its text
    EXPECT_EQ(number_in_edit(u"0"), 0.0);
    EXPECT_EQ(number_in_edit(u"V=7.25"), 7.25);
    EXPECT_EQ(number_in_edit(u"-0.5"), -0.5);
}

TEST(integer_from_edit, reads_signed_integers_and_nothing_else)
{
    EXPECT_EQ(integer_from_edit(u"42"), 42);
    EXPECT_EQ(integer_from_edit(u"  -17 "), -17);
    EXPECT_EQ(integer_from_edit(u"+8"), 8);
    EXPECT_EQ(integer_from_edit(u"2147483647"), 2147483647);
    EXPECT_EQ(integer_from_edit(u"-2147483648"), -2147483647 - 1);
    for (const char16_t* text : {u"", u"-", u"12ab", u"1.5", u"abc", u"2147483648", u"99999999999999999999", u"1 2"})
        EXPECT_EQ(integer_from_edit(text), 0) << std::u16string_view(text).size();
}

} // namespace
