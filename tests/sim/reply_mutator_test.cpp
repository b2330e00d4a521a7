// The reply mutator: each kind of lie changes what it says it changes, a share of zero
// changes nothing, and a seed replays the same lies.
#include <gtest/gtest.h>

#include "frame_builder.h"
#include "sim/bus/reply_mutator.h"

using namespace simtest;

namespace {

// A reply as a slave sends it: an AL status read and a 128-byte mailbox read.
std::vector<uint8_t> reply()
{
    std::vector<uint8_t> mailbox(128);
    mailbox[0] = 10;   // mailbox length
    mailbox[5] = 0x13; // CoE, counter 1
    datagram al = physical(FPRD, 0x1001, 0x0130, {0x02, 0x00, 0x00, 0x00, 0x00, 0x00});
    al.working_counter = 1;
    datagram mailbox_read = physical(FPRD, 0x1001, 0x1080, mailbox);
    mailbox_read.working_counter = 1;
    return build_frame({al, mailbox_read});
}

TEST(reply_mutator, a_share_of_zero_leaves_every_reply_alone)
{
    sim::reply_mutator mutator;
    sim::random_source random(5);
    std::vector<uint8_t> frame = reply();
    for (int i = 0; i < 1000; ++i)
        EXPECT_FALSE(mutator.maybe_mutate(frame, random));
    EXPECT_EQ(frame, reply());
}

TEST(reply_mutator, every_kind_changes_the_reply_in_its_own_way)
{
    using kind = sim::reply_mutator::kind;
    sim::reply_mutator mutator;
    for (unsigned k = 0; k < sim::reply_mutator::kind_count; ++k) {
        bool changed = false;
        for (uint64_t seed = 1; seed <= 40 && !changed; ++seed) {
            sim::random_source random(seed);
            std::vector<uint8_t> frame = reply();
            mutator.mutate(frame, kind(k), random);
            changed = frame != reply();
            if (!changed)
                continue;
            std::vector<datagram> parsed = parse_frame(frame);
            std::vector<datagram> honest = parse_frame(reply());
            switch (kind(k)) {
            case kind::truncated: EXPECT_LT(frame.size(), reply().size()); break;
            case kind::working_counter:
                ASSERT_EQ(parsed.size(), 2u);
                EXPECT_TRUE(parsed[0].working_counter != 1 || parsed[1].working_counter != 1);
                break;
            case kind::al_status:
                ASSERT_EQ(parsed.size(), 2u);
                EXPECT_NE(parsed[0].data, honest[0].data);
                EXPECT_EQ(parsed[1].data, honest[1].data);
                break;
            case kind::mailbox_header:
            case kind::coe_header:
                ASSERT_EQ(parsed.size(), 2u);
                EXPECT_EQ(parsed[0].data, honest[0].data);
                EXPECT_NE(parsed[1].data, honest[1].data);
                break;
            default: break;
            }
        }
        // the SII kind lies only in SII reads, which this reply has none of
        if (kind(k) == kind::sii_data)
            EXPECT_FALSE(changed);
        else
            EXPECT_TRUE(changed) << "kind " << k << " never changed the reply";
    }
}

TEST(reply_mutator, the_same_seed_tells_the_same_lies)
{
    sim::reply_mutator first, second;
    first.set_probability(0.5);
    second.set_probability(0.5);
    sim::random_source a(99), b(99);
    for (int i = 0; i < 200; ++i) {
        std::vector<uint8_t> x = reply(), y = reply();
        EXPECT_EQ(first.maybe_mutate(x, a), second.maybe_mutate(y, b));
        EXPECT_EQ(x, y);
    }
    EXPECT_GT(first.mutated(), 50u);
}

} // namespace
