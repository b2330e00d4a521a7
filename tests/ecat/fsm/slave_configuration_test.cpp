#include "ecat/fsm/slave_configuration.h"

#include "one_slave_test.h"

namespace {

using namespace fsmtest;
using ecat::datagram_type;

struct step {
    datagram_type type;
    uint16_t offset;
    size_t size;
    bool operator==(const step&) const = default;
};

std::ostream& operator<<(std::ostream& out, const step& s)
{
    return out << ecat::datagram_type_name(s.type) << " 0x" << std::hex << s.offset << std::dec << " (" << s.size
               << ")";
}

class slave_configuration_test : public one_slave_test {
protected:
    slave_configuration_test()
    {
        ecat::slave_configuration_init(configuration, d, change);
        esc().reg[0x130] = 0x01;
        s.current_al_state = 0x01;
        s.std_rx_mailbox_offset = 0x1800, s.std_rx_mailbox_size = 0x100;
        s.std_tx_mailbox_offset = 0x1900, s.std_tx_mailbox_size = 0x100;
        s.boot_rx_mailbox_offset = 0x1C00, s.boot_rx_mailbox_size = 0x80;
        s.boot_tx_mailbox_offset = 0x1D00, s.boot_tx_mailbox_size = 0;
        s.mailbox_protocols = ecat::mailbox_protocol_coe;
    }

    void configure()
    {
        ecat::slave_configuration_start(configuration, s);
        run(bus, d, [&] { return ecat::slave_configuration_exec(configuration); });
    }

    std::vector<step> steps() const
    {
        std::vector<step> list;
        for (const auto& e : bus.log)
            list.push_back({e.type, e.offset, e.data.size()});
        return list;
    }

    const exchange* mailbox_write() const
    {
        for (const auto& e : bus.log)
            if (e.type == datagram_type::FPWR && e.offset == 0x0800)
                return &e;
        return nullptr;
    }

    void add_sii_sync_manager(uint16_t start, uint16_t length, uint8_t control, uint8_t enable)
    {
        ecat::sync_manager sm;
        sm.owner = &s;
        sm.physical_start = start, sm.length = length, sm.control = control, sm.enable = enable;
        s.sync_managers.push_back(std::move(sm));
    }

    ecat::al_state_change change;
    ecat::slave_configuration configuration;
};

TEST_F(slave_configuration_test, clearing_steps_follow_the_controller_resources)
{
    s.mailbox_protocols = 0;
    s.dc_supported = s.has_dc_system_time = 1;
    configure();
    EXPECT_TRUE(ecat::slave_configuration_done(configuration));
    EXPECT_EQ(steps(),
              (std::vector<step>{{datagram_type::FPWR, 0x0120, 2},
                                 {datagram_type::FPRD, 0x0130, 2},
                                 {datagram_type::FPWR, 0x0980, 2},
                                 {datagram_type::FPWR, 0x0120, 2},
                                 {datagram_type::FPRD, 0x0130, 2}}));

    bus.log.clear();
    s.fmmu_count = 2, s.sync_manager_count = 4;
    s.has_dc_system_time = 0; // no system time: the DC activation stays untouched
    configure();
    EXPECT_TRUE(ecat::slave_configuration_done(configuration));
    EXPECT_EQ(steps(),
              (std::vector<step>{{datagram_type::FPWR, 0x0120, 2},
                                 {datagram_type::FPRD, 0x0130, 2},
                                 {datagram_type::FPWR, 0x0600, 32},
                                 {datagram_type::FPWR, 0x0800, 32},
                                 {datagram_type::FPWR, 0x0120, 2},
                                 {datagram_type::FPRD, 0x0130, 2}}));
    EXPECT_EQ(s.current_al_state, 0x02);
}

TEST_F(slave_configuration_test, slave_requested_in_init_is_done_after_clearing)
{
    s.requested_al_state = 0x01;
    s.sync_manager_count = 2;
    configure();
    EXPECT_TRUE(ecat::slave_configuration_done(configuration));
    ASSERT_EQ(bus.log.size(), 3u);
    EXPECT_EQ(bus.log.back().offset, 0x0800);
}

TEST_F(slave_configuration_test, sii_mailbox_sync_managers_are_written_with_their_own_control_bytes)
{
    add_sii_sync_manager(0x1000, 0x80, 0x36, 0x01);
    add_sii_sync_manager(0x1080, 0x80, 0x32, 0x05); // enable bit 2: stays deactivated
    add_sii_sync_manager(0x1100, 0x10, 0x64, 0x01);
    configure();
    const exchange* write = mailbox_write();
    ASSERT_NE(write, nullptr);
    std::vector<uint8_t> expected(24, 0);
    const uint8_t sm0[] = {0x00, 0x10, 0x80, 0x00, 0x36, 0x00, 0x01, 0x00};
    const uint8_t sm1[] = {0x80, 0x10, 0x80, 0x00, 0x32, 0x00, 0x00, 0x00};
    std::copy(sm0, sm0 + 8, expected.begin());
    std::copy(sm1, sm1 + 8, expected.begin() + 8);
    EXPECT_EQ(write->data, expected);
    EXPECT_EQ(s.configured_rx_mailbox_offset, 0x1000);
    EXPECT_EQ(s.configured_tx_mailbox_offset, 0x1080);
    EXPECT_EQ(s.configured_tx_mailbox_size, 0x80);
    EXPECT_TRUE(ecat::slave_configuration_done(configuration));
}

TEST_F(slave_configuration_test, without_two_sii_sync_managers_the_header_mailbox_is_used)
{
    add_sii_sync_manager(0x1000, 0x80, 0x36, 0x01);
    configure();
    const exchange* write = mailbox_write();
    ASSERT_NE(write, nullptr);
    EXPECT_EQ(write->data,
              (std::vector<uint8_t>{0x00, 0x18, 0x00, 0x01, 0x26, 0x00, 0x01, 0x00, //
                                    0x00, 0x19, 0x00, 0x01, 0x22, 0x00, 0x01, 0x00}));
    EXPECT_EQ(s.configured_rx_mailbox_offset, 0x1800);
    EXPECT_EQ(s.configured_tx_mailbox_size, 0x100);
}

TEST_F(slave_configuration_test, boot_uses_the_boot_mailbox_and_requests_boot)
{
    add_sii_sync_manager(0x1000, 0x80, 0x36, 0x01);
    add_sii_sync_manager(0x1080, 0x80, 0x32, 0x01);
    s.requested_al_state = 0x03;
    configure();
    const exchange* write = mailbox_write();
    ASSERT_NE(write, nullptr);
    EXPECT_EQ(write->data,
              (std::vector<uint8_t>{0x00, 0x1C, 0x80, 0x00, 0x26, 0x00, 0x01, 0x00, //
                                    0x00, 0x1D, 0x00, 0x00, 0x22, 0x00, 0x00, 0x00}));
    EXPECT_EQ(bus.log[bus.log.size() - 2].value(), 0x03);
    EXPECT_EQ(s.current_al_state, 0x03);
}

TEST_F(slave_configuration_test, unanswered_mailbox_write_is_repeated_for_one_second)
{
    bus.intercept = [](ecat::datagram& dg) {
        bool mailbox = dg.type == datagram_type::FPWR && read_u16(dg.address + 2) == 0x0800;
        if (mailbox)
            dg.working_counter = 0;
        return mailbox;
    };
    bus.step_ms = 100;
    configure();
    EXPECT_TRUE(ecat::slave_configuration_failed(configuration));
    EXPECT_EQ(s.error_flag, 1);
    // answered 1, 101 ... 901 ms after the first write; the eleventh, at 1001 ms, ends it
    EXPECT_EQ(bus.count(datagram_type::FPWR, 0x0800), 11u);
}

TEST_F(slave_configuration_test, mailbox_write_that_is_answered_late_goes_on_to_preop)
{
    int ignored = 3;
    bus.intercept = [&](ecat::datagram& dg) {
        bool mailbox = dg.type == datagram_type::FPWR && read_u16(dg.address + 2) == 0x0800;
        if (!mailbox || ignored == 0)
            return false;
        --ignored;
        dg.working_counter = 0;
        return true;
    };
    configure();
    EXPECT_TRUE(ecat::slave_configuration_done(configuration));
    EXPECT_EQ(bus.count(datagram_type::FPWR, 0x0800), 4u);
    EXPECT_EQ(s.current_al_state, 0x02);
}

TEST_F(slave_configuration_test, refused_preop_marks_the_slave)
{
    esc().al_control = [](fake_slave& e, uint8_t value) {
        e.reg[0x130] = (value & 0x0F) == 0x02 ? 0x11 : (value & 0x0F);
    };
    configure();
    EXPECT_TRUE(ecat::slave_configuration_failed(configuration));
    EXPECT_EQ(s.error_flag, 1);
}

} // namespace
