#include "ecat/fsm/sii_access.h"

#include "one_slave_test.h"

namespace {

using namespace fsmtest;

class sii_access_test : public one_slave_test {
protected:
    void SetUp() override { esc().sii = {0x1111, 0x2222, 0x3333, 0x4444}; }

    // Reads two words; returns the number of exchanges.
    int read(uint16_t address)
    {
        ecat::sii_read_start(sii, s, d, address);
        return run(bus, d, [&] { return ecat::sii_exec(sii); });
    }

    size_t status_reads() const { return bus.count(ecat::datagram_type::FPRD, 0x0502); }

    ecat::sii_access sii;
};

TEST_F(sii_access_test, read_gives_both_words_through_the_station_address)
{
    EXPECT_EQ(read(1), 2);
    ASSERT_TRUE(ecat::sii_done(sii));
    EXPECT_EQ(sii.value, 0x33332222u);
    const exchange& command = bus.log[0];
    EXPECT_EQ(command.type, ecat::datagram_type::FPWR);
    EXPECT_EQ(command.address, 1);
    EXPECT_EQ(command.data, (std::vector<uint8_t>{0x80, 0x01, 0x01, 0x00}));
}

TEST_F(sii_access_test, busy_slave_is_polled_every_cycle_within_the_limit)
{
    esc().sii_busy_polls = 15; // 1 ms per exchange: well within 20 ms
    read(0);
    EXPECT_TRUE(ecat::sii_done(sii));
    EXPECT_EQ(status_reads(), 16u);
    EXPECT_EQ(sii.value, 0x22221111u);
}

TEST_F(sii_access_test, one_extra_status_read_is_allowed_after_the_limit)
{
    bus.step_ms = 10; // the second status read arrives 21 ms after the command
    esc().sii_busy_polls = 2;
    read(0);
    EXPECT_TRUE(ecat::sii_done(sii));
    EXPECT_EQ(status_reads(), 3u);
}

TEST_F(sii_access_test, busy_after_the_extra_read_fails_and_keeps_the_value)
{
    bus.step_ms = 10;
    esc().sii_busy_polls = 3;
    sii.value = 0xDEADBEEF;
    read(0);
    EXPECT_TRUE(ecat::sii_failed(sii));
    EXPECT_EQ(status_reads(), 3u);
    EXPECT_EQ(sii.value, 0xDEADBEEFu);
}

TEST_F(sii_access_test, command_error_fails_on_the_first_status_read)
{
    esc().sii_command_error = true;
    EXPECT_EQ(read(0), 2);
    EXPECT_TRUE(ecat::sii_failed(sii));
}

TEST_F(sii_access_test, timed_out_datagram_is_sent_again_three_times)
{
    for (int lost : {3, 4}) {
        int left = lost;
        bus.log.clear();
        bus.intercept = [&](ecat::datagram& d) {
            if (d.type != ecat::datagram_type::FPRD || left == 0)
                return false;
            --left;
            d.state = ecat::datagram_state::timed_out;
            return true;
        };
        read(0);
        EXPECT_EQ(ecat::sii_done(sii), lost == 3) << lost << " lost";
        EXPECT_EQ(status_reads(), 4u) << lost << " lost";
    }
}

TEST_F(sii_access_test, absent_slave_fails)
{
    esc().present = false;
    EXPECT_EQ(read(0), 1);
    EXPECT_TRUE(ecat::sii_failed(sii));
}

} // namespace
