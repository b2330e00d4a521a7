#include <cstring>

#include "ecat/master.h"
#include "support/master_fixture.h"
#include "platform/clock.h"
#include "support/master_test_access.h"

using testsupport::inside;

using namespace ecat;

namespace {

const uint8_t mac_a[6] = {0x00, 0x1B, 0x21, 0x00, 0x00, 0x01};
const uint8_t mac_b[6] = {0x00, 0x1B, 0x21, 0x00, 0x00, 0x02};
const uint8_t broadcast[6] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

TEST(master_lifecycle, open_without_a_descriptor_fails_and_starts_no_cycle)
{
    auto m = std::make_unique<master>();
    ASSERT_EQ(master_init(inside(*m), 0, mac_a), 0);
    EXPECT_EQ(master_device_open(inside(*m).main_device), -19);
    EXPECT_EQ(inside(*m).stop, 1);
    EXPECT_EQ(inside(*m).phase, 0);
    master_clear(inside(*m));
}

TEST(master_lifecycle, only_a_descriptor_with_the_masters_mac_is_attached)
{
    auto m = std::make_unique<master>();
    ASSERT_EQ(master_init(inside(*m), 0, mac_a), 0);
    net_device other;
    std::memcpy(other.mac, mac_b, 6);
    EXPECT_EQ(master_attach_device(inside(*m), other), nullptr);
    EXPECT_EQ(inside(*m).main_device.descriptor, nullptr);

    net_device own;
    std::memcpy(own.mac, mac_a, 6);
    ASSERT_EQ(master_attach_device(inside(*m), own), &inside(*m).main_device);
    EXPECT_STREQ(own.name, "ecm0");
    EXPECT_EQ(0, std::memcmp(inside(*m).main_device.tx[0].data + 6, mac_a, 6));
    EXPECT_EQ(0, std::memcmp(inside(*m).main_device.tx[1].data + 6, mac_a, 6));
    EXPECT_EQ(master_attach_device(inside(*m), own), nullptr) << "a device takes one descriptor";
    master_clear(inside(*m));
}

TEST(master_lifecycle, a_broadcast_master_mac_takes_any_descriptor)
{
    auto m = std::make_unique<master>();
    ASSERT_EQ(master_init(inside(*m), 0, broadcast), 0);
    net_device other;
    std::memcpy(other.mac, mac_b, 6);
    EXPECT_NE(master_attach_device(inside(*m), other), nullptr);
    master_clear(inside(*m));
}

TEST(master_lifecycle, clearing_twice_is_harmless)
{
    auto m = std::make_unique<master>();
    ASSERT_EQ(master_init(inside(*m), 0, mac_a), 0);
    int closes = 0;
    static int* close_count = nullptr;
    close_count = &closes;
    net_device own;
    std::memcpy(own.mac, mac_a, 6);
    own.open = [](net_device&) { return 0; };
    own.close = [](net_device&) {
        ++*close_count;
        return 0;
    };
    ASSERT_NE(master_attach_device(inside(*m), own), nullptr);
    ASSERT_EQ(master_device_open(inside(*m).main_device), 0);
    master_clear(inside(*m));
    master_clear(inside(*m));
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(inside(*m).stop, 1);
    EXPECT_EQ(inside(*m).slave_count, 0u);
}

TEST(master_lifecycle, an_open_failure_is_passed_up_and_starts_no_cycle)
{
    auto m = std::make_unique<master>();
    ASSERT_EQ(master_init(inside(*m), 0, mac_a), 0);
    net_device own;
    std::memcpy(own.mac, mac_a, 6);
    own.open = [](net_device&) { return 6; };
    ASSERT_NE(master_attach_device(inside(*m), own), nullptr);
    EXPECT_EQ(master_device_open(inside(*m).main_device), 6);
    EXPECT_EQ(inside(*m).stop, 1);
    master_clear(inside(*m));
}

class ring_budget : public testsupport::master_fixture {
protected:
    // Fills the queue with queued datagrams of `bytes` data bytes in total.
    void fill_queue(size_t bytes)
    {
        while (bytes > 0) {
            auto& d = fillers.emplace_back(std::make_unique<datagram>());
            size_t size = bytes > max_datagram_data ? max_datagram_data : bytes;
            datagram_fprd(*d, 1, 0x1000, size);
            master_queue_datagram(inside(*m), *d);
            bytes -= size;
        }
    }

    datagram& put_in_ring(size_t size)
    {
        datagram& d = inside(*m).ext_ring[inside(*m).ring_write];
        datagram_fprd(d, 1, 0x1000, size);
        d.sent_time = platform::tick_ms();
        inside(*m).ring_write = (inside(*m).ring_write + 1) % ring_size;
        return d;
    }

    std::vector<std::unique_ptr<datagram>> fillers;
};

TEST_F(ring_budget, a_full_ring_datagram_is_queued_while_the_queue_holds_at_most_9764_bytes)
{
    fill_queue(9764);
    datagram& d = put_in_ring(1486);
    master_inject_ring_datagrams(inside(*m));
    EXPECT_EQ(d.state, datagram_state::queued);
    EXPECT_EQ(inside(*m).ring_read, inside(*m).ring_write);
}

TEST_F(ring_budget, over_budget_it_waits_ten_ms_after_its_last_sending_then_fails)
{
    fill_queue(9765);
    datagram& d = put_in_ring(1486);
    master_inject_ring_datagrams(inside(*m));
    EXPECT_EQ(d.state, datagram_state::init) << "waits first in the ring";
    EXPECT_NE(inside(*m).ring_read, inside(*m).ring_write);

    d.sent_time = platform::tick_ms() - 11;
    master_inject_ring_datagrams(inside(*m));
    EXPECT_EQ(d.state, datagram_state::error);
    EXPECT_EQ(inside(*m).ring_read, inside(*m).ring_write);
}

} // namespace
