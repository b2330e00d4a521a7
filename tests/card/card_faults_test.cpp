// Card faults seen through the master and the card operations, as a check on the jig sees them.
#include <algorithm>
#include <cmath>

#include "card_bus_fixture.h"

#include "card/sdo_numbers.h"
#include "sim/cards/card_fault_commands.h"

namespace cardtest {
namespace {

constexpr uint16_t zeio = 0, kova_h = 1, kova_16io = 2, kova_ad = 3;

class card_faults : public card_bus_fixture {
protected:
    void SetUp() override { start("ZEIO,KOVA-H,KOVA-16IO,KOVA-AD"); }

    void fault(const std::string& line)
    {
        std::string error;
        ASSERT_TRUE(sim::cards::run_card_fault(*bus, line, error)) << error;
    }
    uint64_t read(uint16_t position, uint16_t index, uint8_t subindex, size_t size)
    {
        uint64_t value = 0;
        EXPECT_EQ(card::upload_number(*m, position, index, subindex, size, value), 0);
        return value;
    }
    void write(uint16_t position, uint16_t index, uint8_t subindex, uint64_t value, size_t size)
    {
        ASSERT_EQ(card::download_number(*m, position, index, subindex, value, size), 0);
    }
    uint16_t inputs_for(uint16_t position, uint16_t outputs)
    {
        write(position, 0x2300, 0, outputs, 2);
        return uint16_t(read(position, 0x2000, 0, 2));
    }
    // An AD reading as a voltage: 12-bit inputs 0x2010 + ch, 24-bit ones 0x3028:ch+1.
    double ad_volts(uint16_t position, unsigned channel, bool ad24)
    {
        if (ad24)
            return (double(read(position, 0x3028, uint8_t(channel + 1), 4)) - double(1 << 23)) * 25.0 / (1 << 23);
        return double(read(position, uint16_t(0x2010 + channel), 0, 2)) * 10.0 / 4096;
    }
};

TEST_F(card_faults, stuck_and_shorted_lines_show_on_the_wired_inputs_only)
{
    const struct {
        const char* fault;
        uint16_t card;
        uint16_t written;
        uint16_t inputs;
        uint16_t input_mask;
    } cases[] = {
        {"stuck 0 out 3 1", zeio, 0x0001, 0x0009, 0x00FF},      {"stuck 0 out 0 0", zeio, 0x00FF, 0x00FE, 0x00FF},
        {"stuck 2 in 15 1", kova_16io, 0x0000, 0x8000, 0xFFFF}, {"stuck 1 in 8 0", kova_h, 0x01FF, 0x00FF, 0x01FF},
        {"short 1 4 5", kova_h, 0x0010, 0x0030, 0x01FF},        {"short 1 4 5", kova_h, 0x0020, 0x0030, 0x01FF},
        {"short 3 6 7", kova_ad, 0x0000, 0x0000, 0x00FF},
    };
    for (const auto& c : cases) {
        fault(c.fault);
        EXPECT_EQ(inputs_for(c.card, c.written), c.inputs) << c.fault;
        EXPECT_EQ(read(c.card, 0x2300, 0, 2), c.written) << c.fault << ": the output object keeps what was written";
        fault("card-ok " + std::to_string(c.card));
        EXPECT_EQ(inputs_for(c.card, c.written), c.written & c.input_mask) << c.fault << " cleared";
    }
}

TEST_F(card_faults, analog_faults_change_the_reading_of_their_channel_only)
{
    const struct {
        const char* fault;
        uint16_t card;
        unsigned da;
        unsigned channel;
        unsigned neighbour; // fed by the same DA, not broken
        bool ad24;
        double expected_volts;
    } cases[] = {
        {"ad-offset 1 1 200", kova_h, 1, 1, 3, false, 5.2},  {"ad-offset 1 0 -1500", kova_h, 0, 0, 2, false, 3.5},
        {"ad-gain 2 0 0.5", kova_16io, 0, 0, 1, false, 2.5}, {"ad-gain 3 2 1.1", kova_ad, 2, 2, 6, true, 5.5},
        {"ad-offset 0 13 -250", zeio, 1, 13, 1, true, 4.75},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(card::write_da_voltage(*m, c.card, int(c.da), 5.0).code, 0);
        fault(c.fault);
        EXPECT_NEAR(ad_volts(c.card, c.channel, c.ad24), c.expected_volts, 0.005) << c.fault;
        EXPECT_NEAR(ad_volts(c.card, c.neighbour, c.ad24), 5.0, 0.005) << c.fault << ": AD" << c.neighbour;
        fault("card-ok " + std::to_string(c.card));
        EXPECT_NEAR(ad_volts(c.card, c.channel, c.ad24), 5.0, 0.005) << c.fault << " cleared";
    }
}

TEST_F(card_faults, analog_noise_spreads_each_reading_within_the_bound)
{
    ASSERT_EQ(card::write_da_voltage(*m, kova_16io, 0, 5.0).code, 0);
    uint64_t quiet = read(kova_16io, 0x2011, 0, 2);
    fault("ad-noise 2 1 100");
    uint64_t low = 4095, high = 0;
    for (int sample = 0; sample < 60; ++sample) {
        uint64_t code = read(kova_16io, 0x2011, 0, 2);
        low = std::min(low, code);
        high = std::max(high, code);
    }
    EXPECT_GT(high - low, 100u) << "a spread the jig's one count never gives";
    EXPECT_LE(high, quiet + 102) << "100 counts plus the jig's own one, either way";
    EXPECT_GE(low + 102, quiet);
    uint64_t neighbour = read(kova_16io, 0x2010, 0, 2);
    EXPECT_LE(std::max(neighbour, quiet) - std::min(neighbour, quiet), 2u);
}

TEST_F(card_faults, a_dead_loop_back_returns_nothing_until_the_card_is_ok)
{
    const std::string text = "loop";
    std::string received;
    auto take = [&] {
        EXPECT_TRUE(card::usart_receive_step(*m, zeio, counters, [&](const uint8_t* data, size_t length) {
                        received.append(data, data + length);
                    }).ok());
        return received.size() >= text.size();
    };
    fault("serial-dead 0");
    ASSERT_EQ(card::usart_send(*m, zeio, counters, reinterpret_cast<const uint8_t*>(text.data()), text.size()).code, 0);
    EXPECT_FALSE(wait_until(take, 300));
    fault("card-ok 0");
    ASSERT_EQ(card::usart_send(*m, zeio, counters, reinterpret_cast<const uint8_t*>(text.data()), text.size()).code, 0);
    EXPECT_TRUE(wait_until(take));
    EXPECT_EQ(received, text);
}

TEST_F(card_faults, a_dead_modbus_slave_times_out_and_keeps_nothing)
{
    // Tx 2 writes holding register 10, Rx 2 reads it back
    ASSERT_EQ(card::write_modbus_channel(*m, kova_h, 3, 10, 1, 1, 1, 2).code, 0);
    ASSERT_EQ(card::write_modbus_channel(*m, kova_h, 3, 10, 1, 1, 0, 2).code, 0);
    write(kova_h, 0x2602, 3, 0x55AA, 4);
    fault("modbus-dead 1");
    write(kova_h, 0x2402, 4, 0, 1);
    EXPECT_TRUE(wait_until([&] { return read(kova_h, 0x3002, 7, 2) >= 2; })) << "Tx 2 counts its time-outs";
    EXPECT_EQ(card_number(kova_h, 0x2603, 3), 0u);
    fault("card-ok 1");
    EXPECT_TRUE(wait_until([&] { return card_number(kova_h, 0x2603, 3) == 0x55AA; }));
}

TEST_F(card_faults, a_dead_can_echo_node_sends_nothing_back)
{
    const uint8_t data[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    fault("can-dead 1");
    ASSERT_EQ(card::can_send(*m, kova_h, counters, 0, 0x123, 8, data, 0).code, 0);
    EXPECT_EQ(card_number(kova_h, 0x2610, 3), 1u) << "the card sent it";
    EXPECT_EQ(card::can_pending(*m, kova_h), 0);
    fault("card-ok 1");
    ASSERT_EQ(card::can_send(*m, kova_h, counters, 0, 0x124, 8, data, 0).code, 0);
    EXPECT_EQ(card::can_pending(*m, kova_h), 1);
}

} // namespace
} // namespace cardtest
