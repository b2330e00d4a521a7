// The receive operations against cards whose mailboxes present what no card should.
#include "card_bus_fixture.h"

#include "sim/cards/card_catalog.h"
#include "card/transfer_result.h"

namespace cardtest {
namespace {

// A card description running the plain firmware: its objects hold whatever the test puts
// there, so it can present a broken block.
std::shared_ptr<sim::bus> frozen_card(sim::slave_description description)
{
    auto made = std::make_shared<sim::bus>(1);
    made->add_slave(std::move(description));
    return made;
}

class broken_card : public card_bus_fixture { };

TEST_F(broken_card, a_serial_block_claiming_40_bytes_delivers_32_and_a_repeated_number_nothing)
{
    sim::slave_description zeio = sim::cards::describe_zeio(1);
    // words beyond the mailbox, which a reader trusting the length would fetch
    for (uint8_t sub : {9, 10})
        zeio.objects.push_back({0x2603,
                                sub,
                                sim::data_type::unsigned32,
                                sim::object_access::read_only,
                                {0xEE, 0xEE, 0xEE, 0xEE},
                                false,
                                4,
                                "beyond",
                                {},
                                {}});
    start(frozen_card(std::move(zeio)));
    set_card_number(0, 0x2601, 1, 1);
    set_card_number(0, 0x2601, 3, 7);
    set_card_number(0, 0x2601, 4, 40);
    for (uint8_t word = 1; word <= 8; ++word)
        set_card_number(0, 0x2603, word, 0x41414141u + 0x01010101u * (word - 1));

    std::vector<std::vector<uint8_t>> delivered;
    auto keep = [&](const uint8_t* data, size_t length) { delivered.emplace_back(data, data + length); };
    EXPECT_TRUE(card::usart_receive_step(*m, 0, counters, keep).ok());
    ASSERT_EQ(delivered.size(), 1u);
    ASSERT_EQ(delivered[0].size(), 32u);
    EXPECT_EQ(delivered[0][0], 'A');
    EXPECT_EQ(delivered[0][31], 'H');
    EXPECT_EQ(card_number(0, 0x2601, 2), 0u) << "busy was set and cleared again";

    EXPECT_TRUE(card::usart_receive_step(*m, 0, counters, keep).ok());
    EXPECT_EQ(delivered.size(), 1u) << "block 7 again is not delivered twice";
    EXPECT_EQ(card_number(0, 0x2601, 2), 0u);

    set_card_number(0, 0x2601, 3, 8);
    set_card_number(0, 0x2601, 1, 0);
    EXPECT_TRUE(card::usart_receive_step(*m, 0, counters, keep).ok());
    EXPECT_EQ(delivered.size(), 1u) << "nothing available, nothing read";
}

TEST_F(broken_card, a_can_frame_longer_than_64_bytes_fails_without_overrunning)
{
    start(frozen_card(sim::cards::describe_kova_h(1)));
    set_card_number(0, 0x2611, 2, 0x55);
    set_card_number(0, 0x2611, 3, 1);
    set_card_number(0, 0x2611, 4, 100);
    for (uint8_t word = 1; word <= 16; ++word)
        set_card_number(0, 0x2613, word, 0xABABABABu);
    EXPECT_EQ(card::can_pending(*m, 0), 1);

    card::can_frame frame;
    EXPECT_EQ(card::can_receive(*m, 0, counters, frame).code, -139);
    EXPECT_LE(frame.length, 64u);
    EXPECT_EQ(frame.data[63], 0xAB) << "read up to the 64 bytes the frame has room for";
    EXPECT_EQ(card_number(0, 0x2611, 1), 0xFFFFu) << "the receive request went out first";

    set_card_number(0, 0x2611, 4, 5);
    EXPECT_EQ(card::can_receive(*m, 0, counters, frame).code, 0);
    EXPECT_EQ(frame.length, 5u);
    EXPECT_EQ(frame.identifier, 0x55u);
}

// The card lacks one object, so every transfer to it is aborted.
sim::slave_description without(sim::slave_description description, uint16_t index, uint8_t subindex)
{
    std::erase_if(description.objects,
                  [&](const auto& object) { return object.index == index && object.subindex == subindex; });
    return description;
}

TEST_F(broken_card, a_failed_transfer_ends_the_operation_and_is_named)
{
    start(frozen_card(without(sim::cards::describe_kova_h(1), 0x2612, 2)));
    const uint8_t data[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    card::transfer_result sent = card::can_send(*m, 0, counters, 0, 7, 8, data, 0);
    EXPECT_NE(sent.code, 0);
    EXPECT_EQ(sent.index, 0x2612);
    EXPECT_EQ(sent.subindex, 2);
    EXPECT_EQ(card::failure_text(sent).rfind("0x2612:02 失败", 0), 0u) << card::failure_text(sent);
    EXPECT_EQ(card_number(0, 0x2610, 1), 0u) << "a frame with a hole is not triggered";
}

TEST_F(broken_card, a_frame_or_block_with_a_failed_read_is_not_delivered)
{
    struct missing {
        uint16_t index;
        uint8_t subindex;
    };
    for (missing object : {missing{0x2611, 2}, missing{0x2613, 2}}) {
        start(frozen_card(without(sim::cards::describe_kova_h(1), object.index, object.subindex)));
        set_card_number(0, 0x2611, 3, 1);
        set_card_number(0, 0x2611, 4, 8);
        card::can_frame frame;
        card::transfer_result received = card::can_receive(*m, 0, counters, frame);
        EXPECT_EQ(received.index, object.index);
        EXPECT_EQ(received.subindex, object.subindex);
        EXPECT_NE(received.code, 0);
        stop();
    }

    start(frozen_card(without(sim::cards::describe_zeio(1), 0x2603, 2)));
    set_card_number(0, 0x2601, 1, 1);
    set_card_number(0, 0x2601, 3, 7);
    set_card_number(0, 0x2601, 4, 8);
    size_t deliveries = 0;
    auto count = [&](const uint8_t*, size_t) { ++deliveries; };
    card::transfer_result step = card::usart_receive_step(*m, 0, counters, count);
    EXPECT_EQ(step.index, 0x2603);
    EXPECT_EQ(step.subindex, 2);
    EXPECT_EQ(deliveries, 0u) << "no zero bytes stand in for the word that could not be read";
    EXPECT_EQ(counters.of(0).usart_rx_sequence, 0xFFFF) << "the block is fetched again, not counted";
}

} // namespace
} // namespace cardtest
