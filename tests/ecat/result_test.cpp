#include <set>
#include <string>

#include <gtest/gtest.h>

#include "ecat/result.h"

namespace {

// Results no simulated slave can cause (memory, locks, devices) are covered by their texts.
TEST(results, every_code_has_its_own_name_and_text_and_an_unknown_one_says_so)
{
    using namespace ecat::result;
    const int codes[] = {ok,        wait_failed,  failed,        no_memory, already_present,
                         no_device, bad_position, mailbox_error, no_coe,    too_large};
    std::set<std::string> names, texts;
    for (int code : codes) {
        EXPECT_LE(code, 0) << "one sign: failures are negative";
        names.insert(name(code));
        texts.insert(text(code));
    }
    EXPECT_EQ(names.size(), std::size(codes));
    EXPECT_EQ(texts.size(), std::size(codes));
    EXPECT_EQ(names.count("unknown"), 0u);
    EXPECT_STREQ(name(no_memory), "no_memory");
    EXPECT_STREQ(name(71), "unknown") << "a positive 71 is not a result";
    EXPECT_STREQ(text(-1000), "unknown result");
}

// Adapter, master and card results share one type: no number means two things, and the
// category and describe() show the same name and text.
TEST(results, adapter_and_card_codes_join_the_master_ones_in_one_error_category)
{
    using namespace ecat::result;
    const int adapter_codes[] = {adapter_enumeration, adapter_open, adapter_unknown, adapter_index};
    EXPECT_EQ(adapter_enumeration, 5);
    EXPECT_EQ(adapter_index, 13);
    EXPECT_EQ(refused, -1);
    std::set<std::string> names;
    for (int code : adapter_codes)
        names.insert(name(code));
    names.insert(name(refused));
    EXPECT_EQ(names.size(), 5u);
    EXPECT_EQ(names.count("unknown"), 0u);

    std::error_code code = ecat::error::bad_position;
    EXPECT_EQ(code.value(), -22);
    EXPECT_STREQ(code.category().name(), "kestio");
    EXPECT_EQ(code.message(), text(bad_position));
    EXPECT_EQ(ecat::describe(adapter_index), "error 13 (adapter_index): there is no adapter at that index");
    EXPECT_EQ(ecat::describe(-1000), "error -1000 (unknown): unknown result");
}

// The numbers callers were given keep their values.
static_assert(ecat::result::wait_failed == -4 && ecat::result::failed == -5 && ecat::result::no_memory == -12
              && ecat::result::already_present == -17 && ecat::result::no_device == -19
              && ecat::result::bad_position == -22 && ecat::result::mailbox_error == -71 && ecat::result::no_coe == -123
              && ecat::result::too_large == -139);

} // namespace
