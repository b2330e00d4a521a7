// The identity read and the poll procedures against a master on the simulated bus.
#include <chrono>
#include <ctime>
#include <functional>
#include <thread>

#include <gtest/gtest.h>

#include "app/CTQRThread.h"
#include "card/card_ops.h"
#include "app/poll_procedures.h"
#include "bus_fixture.h"
#include "ecat/adapter.h"
#include "sim/bus/bus.h"
#include "ecat/session.h"
#include "test_host.h"

using namespace apptest;
using namespace std::chrono_literals;

namespace {

bool wait_for(const std::function<bool()>& condition, int timeout_ms = 3000)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

sdo_access up(uint16_t index, uint8_t subindex = 0)
{
    return {0, index, subindex, true};
}

// The objects of one pass: from the first upload of `first` to the next one.
std::vector<sdo_access> one_pass(std::vector<sdo_access> traffic, uint16_t first)
{
    std::vector<sdo_access> pass;
    bool inside = false;
    for (sdo_access access : traffic) {
        access.station = 0;
        if (access.index == first && access.subindex == 0 && access.upload) {
            if (inside)
                return pass;
            inside = true;
        }
        if (inside)
            pass.push_back(access);
    }
    return {};
}

size_t count_of(const std::vector<sdo_access>& traffic, uint16_t index)
{
    size_t count = 0;
    for (const sdo_access& access : traffic)
        count += access.index == index;
    return count;
}

class poll_test : public ::testing::Test {
protected:
    void start_bus(std::vector<test_card> cards)
    {
        bus = register_test_bus(cards, "test bus");
        ecat::adapter_list_refresh();
        start_master(bus_master, adapter_index_of("test bus"), descriptor);
        ASSERT_TRUE(wait_until_ready(bus_master, unsigned(cards.size())));
        traffic.clear();
    }

    void TearDown() override
    {
        slot.stop_thread();
        slot.join();
        ecat::session_close(bus_master);
        ecat::adapter_release_all();
        ecat::adapter_unregister_wires();
    }

    // Runs the procedure until the traffic shows `passes` uploads of `marker`.
    void poll_until(CTQRThread::procedure_type procedure, uint16_t marker, size_t passes = 2)
    {
        slot.start(procedure, "Thread_GetSlaveReg", &host);
        ASSERT_TRUE(wait_for([&] { return count_of(traffic.to(0), marker) >= passes; }));
        slot.stop_thread();
    }

    ecat::master bus_master;
    std::shared_ptr<sim::bus> bus;
    ecat::net_device descriptor;
    sdo_traffic traffic{bus_master};
    test_host host{bus_master};
    CTQRThread slot;
};

TEST_F(poll_test, identity_read_shows_the_fields_in_order_and_recognises_the_model)
{
    test_card kova_h;
    kova_h.hardware_version = "KOVA-H";
    start_bus({test_card{}, kova_h});
    for (int position : {0, 1}) {
        host.selected = position;
        identity_read(slot, host);
    }
    std::vector<std::string> expected = {
        "1101 ZEIO",   "model 0", "1102 V1.02", "1103 2024.03.15", "1104 123456789ABCDEF0",
        "1101 KOVA-H", "model 1", "1102 V1.02", "1103 2024.03.15", "1104 123456789ABCDEF0"};
    EXPECT_EQ(host.lines(), expected);
}

TEST_F(poll_test, only_an_exact_model_name_selects_a_model)
{
    std::vector<test_card> cards(5);
    cards[0].hardware_version = "KOVA-H ";
    cards[1].hardware_version = "kova-h";
    cards[2].hardware_version = "KOVA-16"; // a prefix of KOVA-16IO
    cards[3].hardware_version = std::string(32, 'K');
    cards[4].hardware_version = "KOVA-AD";
    start_bus(cards);
    for (int position = 0; position < 5; ++position) {
        host.selected = position;
        identity_read(slot, host);
    }
    std::vector<std::string> lines = host.lines();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](auto& l) { return l.starts_with("model"); }), 1);
    EXPECT_NE(std::find(lines.begin(), lines.end(), "model 3"), lines.end());
    // 32 characters are the most the read takes, and they are shown in full
    EXPECT_NE(std::find(lines.begin(), lines.end(), "1101 " + std::string(32, 'K')), lines.end());
}

TEST_F(poll_test, identity_read_reports_a_missing_slave_and_an_unreadable_version)
{
    std::vector<test_card> cards(1);
    cards[0].hardware_version = std::string(33, 'X'); // longer than the read takes
    start_bus(cards);
    host.selected = 1;
    identity_read(slot, host);
    host.selected = -1;
    identity_read(slot, host);
    host.selected = 0;
    identity_read(slot, host);
    std::vector<std::string> expected = {"message 没有从站!", "message 没有从站!", "message 获取从站信息失败!"};
    EXPECT_EQ(host.lines(), expected);
}

TEST_F(poll_test, io_poll_reads_its_objects_in_order_and_latches_only_when_enabled)
{
    start_bus({test_card{}});
    poll_until(io_poll, 0x2000, 3);
    // latch settings 0x3038:01..04 hold 0x3039..0x303C: latches 1 and 3 are enabled
    std::vector<sdo_access> expected = {up(0x2000),    up(0x2300),    up(0x3030, 1), up(0x3030, 2), up(0x3031),
                                        up(0x3032, 1), up(0x3032, 2), up(0x3033),    up(0x2010),    up(0x2011),
                                        up(0x2012),    up(0x2013),    up(0x3038, 1), up(0x3038, 2), up(0x3038, 3),
                                        up(0x3038, 4), up(0x3039, 1), up(0x3039, 3), up(0x3034),    up(0x2310),
                                        up(0x2311),    up(0x2312),    up(0x2313),    up(0x2020)};
    EXPECT_EQ(one_pass(traffic.to(0), 0x2000), expected);
    EXPECT_EQ(host.polled.inputs, 0x2000);
    EXPECT_EQ(host.polled.encoder, 0x2020u);
    EXPECT_EQ(host.polled.comparator_inputs[3], 0x2013);
    EXPECT_EQ(host.polled.analog_inputs[3], 0); // the other models' set
    EXPECT_EQ(host.polled.comparator_latches[0], 0x303A);
    EXPECT_EQ(host.polled.comparator_latches[1], 0);
}

TEST_F(poll_test, ain24_poll_reads_a_latch_only_while_its_setting_has_bit_0)
{
    start_bus({test_card{}});
    set_object(*bus, 0, 0x3036, 5, 0x0002);
    host.polled.ain24_latches[4] = 0xCAFE;
    poll_until(ain24_poll, 0x3061);
    std::vector<sdo_access> pass = one_pass(traffic.to(0), 0x3061);
    ASSERT_FALSE(pass.empty());
    std::vector<sdo_access> expected = {up(0x3061), up(0x3029, 1)};
    for (uint8_t i = 1; i <= 16; ++i)
        expected.push_back(up(0x3028, i));
    for (uint8_t i = 1; i <= 16; ++i)
        expected.push_back(up(0x3036, i));
    for (uint8_t i = 1; i <= 16; i += 2) // settings 0x3036+i: odd for odd i
        if (i != 5)
            expected.push_back(up(0x3037, i));
    EXPECT_EQ(pass, expected);
    EXPECT_EQ(host.polled.ain24_latches[4], 0xCAFEu);
    EXPECT_EQ(host.polled.ain24_latches[0], 0x3038u);
    EXPECT_EQ(host.polled.ain24_inputs[15], 0x3038u);
}

TEST_F(poll_test, kova_h_poll_serves_its_io_and_modbus_tabs)
{
    start_bus({test_card{}});
    poll_until(kova_h_poll, 0x2000);
    std::vector<sdo_access> io = {up(0x2000), up(0x2300), up(0x2010), up(0x2011), up(0x2012), up(0x2013), up(0x2310),
                                  up(0x2311), up(0x2320), up(0x2321), up(0x2330), up(0x2331), up(0x2030), up(0x2020)};
    EXPECT_EQ(one_pass(traffic.to(0), 0x2000), io);
    EXPECT_EQ(host.polled.analog_inputs[2], 0x2012);
    EXPECT_EQ(host.polled.pwm_frequencies[1], 0x2321u);
    EXPECT_EQ(host.polled.counter, 0x2030u);

    traffic.clear();
    host.tab = 2;
    poll_until(kova_h_poll, 0x3027, 8); // seven per pass: one whole pass and more
    std::vector<sdo_access> traffic_to_card = traffic.to(0);
    std::vector<sdo_access> first_channel(traffic_to_card.begin(), traffic_to_card.begin() + 16);
    for (sdo_access& access : first_channel)
        access.station = 0;
    std::vector<sdo_access> channel = {up(0x3000, 1), up(0x2602, 1), up(0x3000, 2), up(0x3000, 3),
                                       up(0x3000, 4), up(0x3000, 5), up(0x3000, 6), up(0x3000, 7),
                                       up(0x3020, 1), up(0x2603, 1), up(0x3020, 2), up(0x3020, 3),
                                       up(0x3020, 4), up(0x3020, 5), up(0x3020, 6), up(0x3020, 7)};
    EXPECT_EQ(first_channel, channel);
    EXPECT_EQ(host.polled.modbus_tx[7].address, 0x3009);
    EXPECT_EQ(host.polled.modbus_rx[7].data, 0x2603u + 8);
    EXPECT_EQ(host.polled.modbus_rx[7].run, 6);
    EXPECT_EQ(host.polled.modbus_tx[0].timeout_count, 0x3007);
}

TEST_F(poll_test, kova_16io_poll_reads_its_five_objects)
{
    start_bus({test_card{}});
    poll_until(kova_16io_poll, 0x2000);
    std::vector<sdo_access> expected = {up(0x2000), up(0x2300), up(0x2010), up(0x2011), up(0x2310)};
    EXPECT_EQ(one_pass(traffic.to(0), 0x2000), expected);
    EXPECT_EQ(host.polled.analog_inputs[1], 0x2011);
    EXPECT_EQ(host.polled.analog_outputs[0], 0x2310);
}

TEST_F(poll_test, no_procedure_reads_anything_while_a_tab_it_does_not_serve_is_shown)
{
    start_bus({test_card{}});
    CTQRThread ain24;
    host.tab = 3; // the AD test page in the start-up set
    for (auto procedure : {io_poll, kova_h_poll, kova_16io_poll}) {
        slot.start(procedure, "Thread_GetSlaveReg", &host);
        ain24.start(ain24_poll, "Thread_GetSlaveReg_Ain24", &host);
        std::this_thread::sleep_for(150ms);
        EXPECT_TRUE(slot.running());
        slot.stop_thread();
        ain24.stop_thread();
    }
    EXPECT_TRUE(traffic.accesses().empty());
    host.tab = 0;
    poll_until(io_poll, 0x2000, 1);
}

TEST_F(poll_test, a_procedure_ends_at_once_without_the_selected_slave_and_does_not_spin_when_it_vanishes)
{
    start_bus({test_card{}});
    host.selected = 1;
    EXPECT_EQ(io_poll(slot, host), 0);

    host.selected = 0;
    host.tab = 0;
    slot.start(io_poll, "Thread_GetSlaveReg", &host);
    ASSERT_TRUE(wait_for([&] { return !traffic.to(0).empty(); }));
    host.selected = 5; // gone from the bus: every upload would fail at once
    std::clock_t cpu_before = std::clock();
    auto wall_before = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(300ms);
    double cpu_ms = double(std::clock() - cpu_before) * 1000.0 / CLOCKS_PER_SEC;
    double wall_ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - wall_before).count();
    EXPECT_TRUE(slot.running());
    EXPECT_LT(cpu_ms, wall_ms * 0.5);
}

TEST_F(poll_test, stopping_a_slot_blocked_in_a_transfer_completes_when_the_transfer_ends)
{
    std::vector<test_card> cards(1);
    start_bus(cards);
    *cards[0].inputs_delay_ms = 700;
    slot.start(io_poll, "Thread_GetSlaveReg", &host);
    std::this_thread::sleep_for(150ms); // inside the first upload of 0x2000:00
    auto before = std::chrono::steady_clock::now();
    slot.stop_thread();
    auto waited = std::chrono::steady_clock::now() - before;
    EXPECT_FALSE(slot.running());
    EXPECT_GE(waited, 300ms);
    EXPECT_LT(waited, 3000ms);
    // the pass ended right after the blocked upload
    EXPECT_LE(traffic.to(0).size(), 2u);
}

TEST(poll_values, a_failed_upload_keeps_the_last_value)
{
    std::shared_ptr<sim::bus> bus = register_spec_bus("generic", "generic bus");
    ecat::adapter_list_refresh();
    ecat::master bus_master;
    ecat::net_device descriptor;
    start_master(bus_master, adapter_index_of("generic bus"), descriptor);
    ASSERT_TRUE(wait_until_ready(bus_master, 1));
    sdo_traffic traffic(bus_master);
    test_host host(bus_master);
    host.polled.inputs = 0x1234;
    host.polled.encoder = 0xDEADBEEF;
    CTQRThread slot;
    slot.start(io_poll, "Thread_GetSlaveReg", &host);
    EXPECT_TRUE(wait_for([&] { return count_of(traffic.to(0), 0x2020) >= 2; }));
    slot.stop_thread();
    EXPECT_EQ(host.polled.inputs, 0x1234);
    EXPECT_EQ(host.polled.encoder, 0xDEADBEEFu);
    ecat::session_close(bus_master);
    ecat::adapter_release_all();
    ecat::adapter_unregister_wires();
}

// The KOVA-H of the simulator sits on a test jig that loops its serial line and its CAN
// port back, so what the card sends comes back as received data.
TEST(kova_h_poll, delivers_what_the_card_port_and_the_can_port_receive_while_their_tabs_are_shown)
{
    std::shared_ptr<sim::bus> bus = register_spec_bus("KOVA-H", "card bus");
    if (!bus)
        GTEST_SKIP() << "the simulator does not have the card models yet";
    ecat::adapter_list_refresh();
    ecat::master bus_master;
    ecat::net_device descriptor;
    start_master(bus_master, adapter_index_of("card bus"), descriptor);
    ASSERT_TRUE(wait_until_ready(bus_master, 1));
    ecat::master& m = bus_master;
    test_host host(bus_master);
    CTQRThread slot;
    const std::string text = "hello, card port";
    ASSERT_EQ(
        card::usart_send(m, 0, host.mailbox_counters, reinterpret_cast<const uint8_t*>(text.data()), text.size()).code,
        0);
    const uint8_t payload[3] = {0x01, 0xAB, 0xFF};
    ASSERT_EQ(card::can_send(m, 0, host.mailbox_counters, 0, 291, 3, payload, 0).code, 0);

    host.tab = 3; // neither port is fetched while another tab is shown
    slot.start(kova_h_poll, "Thread_GetSlaveReg", &host);
    std::this_thread::sleep_for(200ms);
    EXPECT_TRUE(host.lines().empty());
    host.tab = 1;
    EXPECT_TRUE(wait_for([&] { return !host.lines().empty(); }));
    host.tab = 5;
    EXPECT_TRUE(wait_for([&] { return host.lines().size() >= 2; }));
    slot.stop_thread();
    std::vector<std::string> expected = {"usart " + text,
                                         "can Rx: CanId:291, fmt: 经典, type: 数据帧, Data : 01 AB FF"};
    EXPECT_EQ(host.lines(), expected);
    ecat::session_close(m);
    ecat::adapter_release_all();
    ecat::adapter_unregister_wires();
}

} // namespace
