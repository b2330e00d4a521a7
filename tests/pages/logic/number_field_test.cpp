// A number typed into a page: the value, or a refusal naming the field and its range.
#include <gtest/gtest.h>

#include "pages/logic/number_field.h"

namespace {

using page_logic::number_field;
using page_logic::read_number_field;

const number_field volts{"模拟量输出1", 0, 10, "V", false};
const number_field address{"寄存器地址", 0, 65535, "", true};
const number_field data{"寄存器Data", -2147483648.0, 4294967295.0, "", true};

TEST(read_number_field, takes_a_number_that_is_the_whole_text_and_in_range)
{
    struct row {
        const char16_t* text;
        const number_field* field;
        std::optional<double> value;
    };
    const row rows[] = {
        {u"3", &volts, 3},
        {u" 2.5 ", &volts, 2.5},
        {u"+10", &volts, 10},
        {u"0", &volts, 0},
        {u"3abc", &volts, {}},
        {u"", &volts, {}},
        {u"abc", &volts, {}},
        {u"10.01", &volts, {}},
        {u"-0.5", &volts, {}},
        {u"1e1", &volts, {}},
        {u"3 V", &volts, {}},
        {u".", &volts, {}},
        {u"65535", &address, 65535},
        {u"65536", &address, {}},
        {u"1.5", &address, {}},
        {u"-2", &data, -2},
        {u"4294967295", &data, 4294967295.0},
        {u"4294967296", &data, {}},
        {u"３", &address, {}}, // a full-width digit is not ASCII
    };
    for (const row& r : rows) {
        page_logic::field_reading reading = read_number_field(r.text, *r.field);
        EXPECT_EQ(reading.value, r.value) << std::u16string(r.text).size() << " chars, field " << r.field->name;
        EXPECT_EQ(reading.refusal.empty(), r.value.has_value());
    }
}

TEST(read_number_field, the_refusal_names_the_field_its_range_and_unit)
{
    EXPECT_EQ(read_number_field(u"3abc", volts).refusal, "输入无效：模拟量输出1 应为 0–10 V");
    EXPECT_EQ(read_number_field(u"x", address).refusal, "输入无效：寄存器地址 应为 0–65535");
    EXPECT_EQ(read_number_field(u"x", data).refusal, "输入无效：寄存器Data 应为 -2147483648–4294967295");
    EXPECT_EQ(read_number_field(u"x", number_field{"占空比1", 0, 99.5, "%", false}).refusal,
              "输入无效：占空比1 应为 0–99.5 %");
}

} // namespace
