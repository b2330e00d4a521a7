// What each card model is: identity, which functions it has, and how it answers misuse.
#include "jig_fixture.h"

#include "sim/cards/card_aborts.h"
#include "sim/firmware/sdo_abort.h"

namespace cardtest {
namespace {

using sim::sdo_abort::length_too_high;
using sim::sdo_abort::length_too_low;
using sim::sdo_abort::object_does_not_exist;
using sim::sdo_abort::read_only_object;

class card_layout : public jig_fixture { };

std::string text(const std::vector<uint8_t>& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

TEST_F(card_layout, each_card_names_its_model_and_carries_its_identity)
{
    make("zeio,KOVA-H,Kova-16io,KOVA-AD");
    const char* names[] = {"ZEIO", "KOVA-H", "KOVA-16IO", "KOVA-AD"};
    for (size_t id = 0; id < 4; ++id) {
        EXPECT_EQ(text(read_bytes(id, 0x1009, 0)), names[id]);
        EXPECT_LE(read_bytes(id, 0x100A, 0).size(), 16u);
        // day, month, then the year, each in hexadecimal digits: shown as 2025.06.18
        EXPECT_EQ(read_bytes(id, 0x4000, 0), (std::vector<uint8_t>{0x18, 0x06, 0x25, 0x20}));
        EXPECT_EQ(read(id, 0x4001, 2) & 0xFFFF, id + 1) << "the serial number follows the position";
        EXPECT_EQ(bus->with_slave(id, [](sim::slave& s) { return s.description().name; }), names[id]);
        EXPECT_GE(bus->with_slave(id, [](sim::slave& s) { return s.description().receive.size; }), 128u);
        EXPECT_EQ(read_abort(id, 0x2120, 6), 0u) << "every card has the AD clock of the AD test page";
    }
}

TEST_F(card_layout, each_model_has_the_objects_of_its_pages_and_no_others)
{
    make("ZEIO,KOVA-H,KOVA-16IO,KOVA-AD");
    struct expectation {
        uint16_t index;
        uint8_t subindex;
        bool present[4]; // ZEIO, KOVA-H, KOVA-16IO, KOVA-AD
    };
    const expectation table[] = {
        {0x2013, 0, {true, true, false, true}},   {0x2311, 0, {true, true, false, true}},
        {0x2313, 0, {true, false, false, true}},  {0x3028, 0x10, {true, false, false, true}},
        {0x3039, 4, {true, false, false, true}},  {0x3061, 0, {true, false, false, true}},
        {0x6100, 0, {true, false, false, true}},  {0x2030, 0, {false, true, false, false}},
        {0x2331, 0, {false, true, false, false}}, {0x2400, 0, {true, true, true, true}},
        {0x2402, 4, {true, true, false, false}},  {0x2603, 8, {true, true, false, false}},
        {0x3027, 7, {true, true, false, false}},  {0x2613, 0x10, {false, true, false, false}},
        {0x2020, 0, {true, true, false, true}},
    };
    for (const expectation& e : table)
        for (size_t id = 0; id < 4; ++id) {
            uint32_t abort = read_abort(id, e.index, e.subindex);
            EXPECT_EQ(abort == 0, e.present[id]) << std::hex << e.index << ":" << int(e.subindex) << " on " << id;
            if (!e.present[id] && e.subindex == 0) {
                EXPECT_EQ(abort, object_does_not_exist);
            }
        }
}

TEST_F(card_layout, wrong_sizes_read_only_objects_and_bad_values_get_their_aborts)
{
    make("ZEIO,KOVA-H");
    EXPECT_EQ(write(0, 0x2000, 0, 1, 2), read_only_object);
    EXPECT_EQ(write(0, 0x1009, 0, 'X', 1), read_only_object);
    EXPECT_EQ(write(0, 0x3028, 1, 0, 4), read_only_object);
    EXPECT_EQ(write(0, 0x2300, 0, 1, 1), length_too_low);
    EXPECT_EQ(write(0, 0x2300, 0, 1, 4), length_too_high);
    EXPECT_EQ(write(0, 0x2120, 2, 5, 2), length_too_low);
    EXPECT_EQ(write(0, 0x2310, 0, 4096, 2), sim::cards::card_abort::value_too_high) << "12 bits have no code 4096";
    EXPECT_EQ(write(0, 0x2402, 4, 2, 1), sim::cards::card_abort::value_range_exceeded);
    EXPECT_EQ(write(0, 0x2600, 4, 33, 2), sim::cards::card_abort::value_too_high);

    // the duty is read as 16 bits and written as 32 with a zero upper word
    EXPECT_EQ(write(1, 0x2330, 0, 0x8000, 4), 0u);
    EXPECT_EQ(read_bytes(1, 0x2330, 0), (std::vector<uint8_t>{0x00, 0x80}));
    EXPECT_EQ(write(1, 0x2330, 0, 0x1234, 2), 0u);
    EXPECT_EQ(read(1, 0x2330, 0), 0x1234u);
    EXPECT_EQ(write(1, 0x2330, 0, 0x10000, 4), sim::cards::card_abort::value_too_high);
    EXPECT_EQ(write(1, 0x2330, 0, 1, 1), sim::sdo_abort::length_mismatch);
    EXPECT_EQ(read(1, 0x2330, 0), 0x1234u) << "a refused write changes nothing";
}

TEST_F(card_layout, generic_slaves_keep_their_names_next_to_the_cards)
{
    std::vector<std::string> models;
    std::string error;
    ASSERT_TRUE(sim::parse_slave_list("Generic,zeio*2,kova-ad", models, error)) << error;
    EXPECT_EQ(models, (std::vector<std::string>{"generic", "ZEIO", "ZEIO", "KOVA-AD"}));
    make("generic,ZEIO");
    EXPECT_EQ(bus->with_slave(0, [](sim::slave& s) { return sim::cards::card_of(s) == nullptr; }), true);
    EXPECT_EQ(text(read_bytes(1, 0x1009, 0)), "ZEIO");
}

} // namespace
} // namespace cardtest
