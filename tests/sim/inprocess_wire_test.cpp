// The in-process wire: a frame_link to a simulated bus that several threads may use at once.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "frame_builder.h"
#include "sim/bus/bus_catalog.h"
#include "sim/bus/inprocess_wire.h"

using namespace simtest;

namespace {

std::shared_ptr<sim::bus> three_generic()
{
    std::string error;
    return std::shared_ptr<sim::bus>(sim::make_bus("", 1, error));
}

} // namespace

TEST(inprocess_wire, a_sent_frame_comes_back_on_receive)
{
    sim::inprocess_wire wire(three_generic());
    std::vector<uint8_t> frame = build_frame({physical(BRD, 0, 0x0130, {0, 0})});
    ASSERT_EQ(wire.send(frame.data(), frame.size()), 0);
    uint8_t buffer[1514];
    int length = wire.receive(buffer, sizeof buffer, 1000);
    ASSERT_EQ(length, int(frame.size()));
    std::vector<datagram> reply = parse_frame(std::vector<uint8_t>(buffer, buffer + length));
    ASSERT_EQ(reply.size(), 1u);
    EXPECT_EQ(reply[0].working_counter, 3);
    EXPECT_EQ(wire.receive(buffer, sizeof buffer, 0), 0);
}

TEST(inprocess_wire, receive_waits_no_longer_than_asked)
{
    sim::inprocess_wire wire(three_generic());
    uint8_t buffer[64];
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(wire.receive(buffer, sizeof buffer, 20'000), 0);
    auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(19));
    EXPECT_LT(waited, std::chrono::seconds(1));
}

TEST(inprocess_wire, a_delay_counts_the_frames_sent_on_the_wire)
{
    auto segment = three_generic();
    segment->set_reply_delay(1);
    sim::inprocess_wire wire(segment);
    std::vector<uint8_t> frame = build_frame({physical(BRD, 0, 0x0130, {0, 0})});
    uint8_t buffer[1514];
    wire.send(frame.data(), frame.size());
    EXPECT_EQ(wire.receive(buffer, sizeof buffer, 1000), 0);
    wire.send(frame.data(), frame.size());
    EXPECT_GT(wire.receive(buffer, sizeof buffer, 1000), 0);
    EXPECT_EQ(wire.waiting(), 0u);
}

TEST(inprocess_wire, frames_and_faults_from_different_threads_do_not_trip_over_each_other)
{
    auto segment = three_generic();
    sim::inprocess_wire wire(segment);
    std::atomic<bool> done{false};
    std::thread saboteur([&] {
        for (unsigned round = 0; !done; ++round) {
            segment->set_drop_probability(round % 2 ? 0.2 : 0.0);
            if (round % 3 == 0)
                segment->unplug(2);
            else
                segment->replug(2);
            segment->send_emergency(0, {});
            std::this_thread::yield();
        }
    });
    std::vector<uint8_t> frame = build_frame({physical(BRD, 0, 0x0130, {0, 0})});
    uint8_t buffer[1514];
    int answered = 0;
    for (int i = 0; i < 3000; ++i) {
        wire.send(frame.data(), frame.size());
        int length = wire.receive(buffer, sizeof buffer, 0);
        if (length > 0) {
            ++answered;
            uint16_t counter = parse_frame(std::vector<uint8_t>(buffer, buffer + length)).at(0).working_counter;
            EXPECT_TRUE(counter == 2 || counter == 3) << counter;
        }
    }
    done = true;
    saboteur.join();
    EXPECT_GT(answered, 0);
}
