#include "ecat/fsm/slave_scan.h"

#include "ecat/fsm/pdo_reading.h"
#include "ecat/fsm/sii_categories.h"
#include "ecat/fsm/slave_configuration.h"
#include "one_slave_test.h"

namespace {

using namespace fsmtest;
using ecat::datagram_type;

std::vector<uint8_t> general_category(uint8_t group, uint8_t image, uint8_t order, uint8_t name)
{
    std::vector<uint8_t> bytes(32, 0);
    bytes[0] = group, bytes[1] = image, bytes[2] = order, bytes[3] = name;
    bytes[4] = 0x01;  // port 0: type 1, the others 0
    bytes[5] = 0xFF;  // CoE details: low six bits
    bytes[11] = 0x07; // flags: low two bits
    write_u16(&bytes[12], static_cast<uint16_t>(-100));
    return bytes;
}

// One PDO with its entries as (index, subindex, bit length).
std::vector<uint8_t> pdo_category(uint16_t index, uint8_t sync_manager, uint8_t name,
                                  const std::vector<std::array<unsigned, 3>>& entries)
{
    std::vector<uint8_t> bytes(8, 0);
    write_u16(&bytes[0], index);
    bytes[2] = static_cast<uint8_t>(entries.size());
    bytes[3] = sync_manager;
    bytes[5] = name;
    for (const auto& e : entries) {
        uint8_t entry[8] = {};
        write_u16(entry, static_cast<uint16_t>(e[0]));
        entry[2] = static_cast<uint8_t>(e[1]);
        entry[5] = static_cast<uint8_t>(e[2]);
        bytes.insert(bytes.end(), entry, entry + 8);
    }
    return bytes;
}

class slave_scan_test : public one_slave_test {
protected:
    slave_scan_test()
    {
        write_u16(esc().reg + 0x0010, 0); // the scan gives the address
        esc().reg[0x130] = 0x01;
        ecat::slave_configuration_init(configuration, d, change);
        ecat::slave_scan_init(scan, d, configuration, pdos);
    }

    void scan_slave()
    {
        ecat::slave_scan_start(scan, s);
        run(bus, d, [&] { return ecat::slave_scan_exec(scan); });
    }

    // A CoE slave with its mailbox in sync managers 0 and 1.
    void make_coe_slave()
    {
        esc().sii = sii_builder()
                        .mailbox(0x1000, 0x80, 0x1080, 0x80, ecat::mailbox_protocol_coe)
                        .sync_managers({{0x1000, 0x80, 0x26, 0x01}, {0x1080, 0x80, 0x22, 0x01}})
                        .end()
                        .image();
    }

    ecat::al_state_change change;
    ecat::slave_configuration configuration;
    ecat::pdo_reading pdos;
    ecat::slave_scan scan;
};

TEST_F(slave_scan_test, fills_the_record_from_registers_and_sii)
{
    esc().reg[0x0000] = 0x11, esc().reg[0x0001] = 0x02;
    write_u16(esc().reg + 0x0002, 0x0304);
    esc().set_base(20, 4, false); // counts above 16 are capped
    esc().reg[0x0007] = 0b11100100;
    esc().reg[0x0008] |= 0x01;
    write_u16(esc().reg + 0x0110, 0x0010 | 0x0200 | 0x0400); // port 0 link, port 0 signal, port 1 loop closed
    esc().sii = sii_builder()
                    .identity(0x00000E11, 0x12345678, 0x00010002, 0xCAFEF00D)
                    .word(0x0004, 0x0042)
                    .strings({"Grp", "Img", "ORD-1", "Name"})
                    .category(30, general_category(1, 2, 3, 9))
                    .sync_managers(
                        {{0x1000, 0x80, 0x26, 1}, {0x1080, 0x80, 0x22, 1}, {0x1100, 0, 0x64, 1}, {0x1200, 0, 0x20, 1}})
                    .category(50, pdo_category(0x1A00, 3, 4, {{0x6000, 1, 16}, {0x6000, 2, 16}}))
                    .category(0x8000 | 51, pdo_category(0x1600, 2, 0, {{0x7000, 1, 1}}))
                    .category(0x0800, {1, 2, 3, 4}) // unknown: skipped
                    .end()
                    .image();
    scan_slave();

    ASSERT_TRUE(ecat::slave_scan_done(scan));
    EXPECT_EQ(s.error_flag, 0);
    EXPECT_EQ(esc().station(), 1);
    EXPECT_EQ(s.esc_type, 0x11);
    EXPECT_EQ(s.esc_build, 0x0304);
    EXPECT_EQ(s.fmmu_count, 16);
    EXPECT_EQ(s.sync_manager_count, 4);
    EXPECT_EQ(s.ports[0].type, 0u);
    EXPECT_EQ(s.ports[3].type, 3u);
    EXPECT_EQ(s.fmmu_bit_operation, 1);
    EXPECT_EQ(s.ports[0].link_up, 1);
    EXPECT_EQ(s.ports[0].signal_detected, 1);
    EXPECT_EQ(s.ports[1].loop_closed, 1);
    EXPECT_EQ(s.ports[1].link_up, 0);

    EXPECT_EQ(s.sii_image, esc().sii);
    EXPECT_EQ(s.alias, 0x0042);
    EXPECT_EQ(s.effective_alias, 0x0042);
    EXPECT_EQ(s.vendor_id, 0x00000E11u);
    EXPECT_EQ(s.product_code, 0x12345678u);
    EXPECT_EQ(s.revision_number, 0x00010002u);
    EXPECT_EQ(s.serial_number, 0xCAFEF00Du);
    EXPECT_EQ(s.strings, (std::vector<std::string>{"Grp", "Img", "ORD-1", "Name"}));
    EXPECT_EQ(s.general_present, 1);
    EXPECT_EQ(s.group, "Grp");
    EXPECT_EQ(s.order, "ORD-1");
    EXPECT_EQ(s.name, ""); // index 9 is past the strings
    EXPECT_EQ(s.physical_port_types[0], 1);
    EXPECT_EQ(s.physical_port_types[1], 0);
    EXPECT_EQ(s.coe_details, 0x3F);
    EXPECT_EQ(s.general_flags, 0x03);
    EXPECT_EQ(s.current_on_ebus, -100);
    ASSERT_EQ(s.sync_managers.size(), 4u);
    EXPECT_EQ(s.sync_managers[1].physical_start, 0x1080);
    EXPECT_EQ(s.sync_managers[1].control, 0x22);
    EXPECT_EQ(s.sync_managers[1].enable, 1);
    ASSERT_EQ(s.sii_pdos.size(), 2u);
    ASSERT_EQ(s.sync_managers[3].pdos.size(), 1u);
    const ecat::pdo& tx = *s.sync_managers[3].pdos[0];
    EXPECT_EQ(tx.index, 0x1A00);
    EXPECT_EQ(tx.name, "Name");
    ASSERT_EQ(tx.entries.size(), 2u);
    EXPECT_EQ(tx.entries[1].subindex, 2);
    EXPECT_EQ(tx.entries[1].bit_length, 16);
    ASSERT_EQ(s.sync_managers[2].pdos.size(), 1u);
    EXPECT_EQ(s.sync_managers[2].pdos[0]->index, 0x1600);
}

TEST_F(slave_scan_test, dc_reads_depend_on_the_slave)
{
    esc().sii = sii_builder().end().image();
    esc().set_base(0, 0, false);
    scan_slave();
    EXPECT_TRUE(ecat::slave_scan_done(scan));
    EXPECT_EQ(bus.count(datagram_type::FPRD, 0x0910), 0u);
    EXPECT_EQ(bus.count(datagram_type::FPRD, 0x0900), 0u);

    // DC without system time: the read goes unanswered, the receive times are still read
    bus.log.clear();
    esc().set_base(0, 0, true);
    esc().has_system_time = false;
    for (int port = 0; port < 4; ++port)
        ecat::write_u32(esc().reg + 0x0900 + 4 * port, 1000u + 10u * port);
    scan_slave();
    EXPECT_TRUE(ecat::slave_scan_done(scan));
    EXPECT_EQ(s.dc_supported, 1);
    EXPECT_EQ(s.has_dc_system_time, 0);
    EXPECT_EQ(s.dc_range, 32);
    EXPECT_EQ(bus.log[3].data.size(), 4u); // the 0x0910 read
    EXPECT_EQ(s.ports[3].receive_time, 1030u);
    EXPECT_EQ(s.error_flag, 0);

    bus.log.clear();
    esc().reg[0x0008] |= 0x08;
    esc().has_system_time = true;
    scan_slave();
    EXPECT_EQ(s.has_dc_system_time, 1);
    EXPECT_EQ(s.dc_range, 64);
    EXPECT_EQ(bus.log[3].data.size(), 8u);
}

TEST_F(slave_scan_test, system_time_answered_twice_fails)
{
    esc().sii = sii_builder().end().image();
    esc().set_base(0, 0, true);
    bus.intercept = [](ecat::datagram& dg) {
        if (read_u16(dg.address + 2) != 0x0910)
            return false;
        dg.working_counter = 2;
        return true;
    };
    scan_slave();
    EXPECT_TRUE(ecat::slave_scan_failed(scan));
    EXPECT_EQ(s.error_flag, 1);
}

TEST_F(slave_scan_test, lost_or_wrongly_answered_datagrams)
{
    esc().present = false; // counter 0: the slave is marked
    scan_slave();
    EXPECT_TRUE(ecat::slave_scan_failed(scan));
    EXPECT_EQ(s.error_flag, 1);
    EXPECT_FALSE(ecat::slave_scan_incomplete(scan)) << "a wrong counter is the slave's answer";

    s.error_flag = 0;
    bus.log.clear();
    bus.intercept = [](ecat::datagram& dg) {
        dg.state = ecat::datagram_state::timed_out;
        return true;
    };
    scan_slave();
    EXPECT_TRUE(ecat::slave_scan_failed(scan));
    // nothing came back: the record is incomplete and marked, and the master reads it again
    EXPECT_EQ(s.error_flag, 1);
    EXPECT_TRUE(ecat::slave_scan_incomplete(scan));
    EXPECT_EQ(bus.log.size(), 4u); // first try and three repeats
}

TEST_F(slave_scan_test, sii_size_follows_the_end_marker)
{
    esc().sii = sii_builder().identity(1, 2, 3, 4).end().image();
    scan_slave();
    EXPECT_TRUE(ecat::slave_scan_done(scan));
    EXPECT_EQ(s.sii_image.size(), 65u);
    EXPECT_EQ(s.product_code, 2u);
}

TEST_F(slave_scan_test, sii_without_end_marker_keeps_the_header_only)
{
    sii_builder builder;
    builder.identity(7, 8, 9, 10);
    for (int i = 0; i < 5; ++i) // headers at 0x40, 1066, 2068, 3070, 4072: the next is past 4096
        builder.category(1, std::vector<uint8_t>(2000, 0xAB));
    esc().sii = builder.image();
    scan_slave();
    EXPECT_TRUE(ecat::slave_scan_done(scan));
    EXPECT_EQ(s.error_flag, 0);
    EXPECT_EQ(s.sii_image.size(), 64u);
    EXPECT_EQ(s.vendor_id, 7u);
    EXPECT_TRUE(s.sync_managers.empty());
}

TEST_F(slave_scan_test, short_general_category_fails_the_slave)
{
    std::vector<uint8_t> general = general_category(0, 0, 0, 0);
    general.resize(30);
    esc().sii = sii_builder().category(30, general).end().image();
    scan_slave();
    EXPECT_TRUE(ecat::slave_scan_failed(scan));
    EXPECT_EQ(s.error_flag, 1);
}

TEST_F(slave_scan_test, category_size_past_the_image_fails_without_reading_past_it)
{
    // The size search sees a short category; by the time the data is read the slave
    // claims it runs far past the image.
    esc().sii = sii_builder().category(41, std::vector<uint8_t>(8, 0)).end().image();
    std::vector<uint16_t> changed = esc().sii;
    changed[0x41] = 0x7000;
    bus.intercept = [&](ecat::datagram& dg) {
        if (dg.type == datagram_type::FPWR && read_u16(dg.address + 2) == 0x0502 && read_u16(dg.data + 2) == 0)
            esc().sii = changed;
        return false;
    };
    scan_slave();
    EXPECT_TRUE(ecat::slave_scan_failed(scan));
    EXPECT_EQ(s.error_flag, 1);
    EXPECT_EQ(s.sii_image.size(), 0x40u + 2 + 4 + 1);
}

// Parses a header plus the given categories; false for a malformed image.
bool parses(ecat::slave& s, sii_builder builder)
{
    s.sii_image = builder.image();
    return ecat::sii_parse_categories(s);
}

TEST_F(slave_scan_test, malformed_categories_are_refused)
{
    EXPECT_TRUE(parses(s, sii_builder().strings({"a", "bc"}).end()));
    EXPECT_EQ(s.strings, (std::vector<std::string>{"a", "bc"}));
    // a string longer than its category
    EXPECT_FALSE(parses(s, sii_builder().category(10, {1, 200, 'x', 'y'}).end()));
    // more strings counted than present
    EXPECT_FALSE(parses(s, sii_builder().category(10, {3, 1, 'x', 2, 'y', 'z'}).end()));
    // empty string category: not even the count fits
    EXPECT_FALSE(parses(s, sii_builder().category(10, {}).end()));
    // sync manager data not a multiple of 8 bytes, or more than 16 of them
    EXPECT_FALSE(parses(s, sii_builder().category(41, std::vector<uint8_t>(12, 0)).end()));
    EXPECT_FALSE(parses(s, sii_builder().category(41, std::vector<uint8_t>(17 * 8, 0)).end()));
    EXPECT_TRUE(parses(s, sii_builder().category(41, std::vector<uint8_t>(16 * 8, 0)).end()));
    // a PDO announcing more entries than follow
    std::vector<uint8_t> pdo = pdo_category(0x1A00, 0, 0, {{0x6000, 1, 8}});
    pdo[2] = 5;
    EXPECT_FALSE(parses(s, sii_builder().category(50, pdo).end()));
    // a category size past the image, a header without its size word, no end marker
    EXPECT_FALSE(parses(s, sii_builder().category(10, {0, 0}, 5).end()));
    EXPECT_FALSE(parses(s, sii_builder().raw(10)));
    EXPECT_FALSE(parses(s, sii_builder().strings({"a"})));
}

TEST_F(slave_scan_test, coe_slave_in_init_is_taken_to_preop)
{
    make_coe_slave();
    scan_slave();
    EXPECT_TRUE(ecat::slave_scan_done(scan));
    EXPECT_EQ(s.error_flag, 0);
    EXPECT_EQ(s.current_al_state, 0x02);
    EXPECT_EQ(esc().al_status(), 0x02);
    EXPECT_EQ(s.configured_rx_mailbox_offset, 0x1000);
    EXPECT_EQ(s.configured_tx_mailbox_offset, 0x1080);
}

TEST_F(slave_scan_test, coe_slave_in_safeop_keeps_its_state_and_mailbox)
{
    make_coe_slave();
    esc().reg[0x130] = 0x04;
    write_u16(esc().reg + 0x0800, 0x1400), write_u16(esc().reg + 0x0802, 0x40);
    write_u16(esc().reg + 0x0808, 0x1500), write_u16(esc().reg + 0x080A, 0x60);
    scan_slave();
    EXPECT_TRUE(ecat::slave_scan_done(scan));
    EXPECT_EQ(bus.count(datagram_type::FPWR, 0x0120), 0u);
    EXPECT_EQ(bus.count(datagram_type::FPRD, 0x0800), 1u);
    EXPECT_EQ(esc().al_status(), 0x04);
    EXPECT_EQ(s.configured_rx_mailbox_offset, 0x1400);
    EXPECT_EQ(s.configured_rx_mailbox_size, 0x40);
    EXPECT_EQ(s.configured_tx_mailbox_offset, 0x1500);
    EXPECT_EQ(s.configured_tx_mailbox_size, 0x60);
}

} // namespace
