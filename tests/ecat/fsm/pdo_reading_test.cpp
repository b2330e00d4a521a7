#include "ecat/fsm/pdo_reading.h"

#include "one_slave_test.h"

namespace {

using namespace fsmtest;

std::vector<uint8_t> u16(uint16_t value)
{
    return {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8)};
}

std::vector<uint8_t> u32(uint32_t value)
{
    std::vector<uint8_t> bytes(4);
    ecat::write_u32(bytes.data(), value);
    return bytes;
}

// A CoE slave in PREOP with four sync managers; the SII gave SM2 PDO 0x1600 and
// SM3 PDO 0x1A00.
class pdo_reading_test : public one_slave_test {
protected:
    pdo_reading_test()
    {
        esc().reg[0x130] = 0x02;
        s.current_al_state = 0x02;
        s.mailbox_protocols = ecat::mailbox_protocol_coe;
        s.configured_rx_mailbox_offset = 0x1000, s.configured_rx_mailbox_size = 0x80;
        s.configured_tx_mailbox_offset = 0x1080, s.configured_tx_mailbox_size = 0x80;
        write_u16(esc().reg + 0x0800, 0x1000);
        write_u16(esc().reg + 0x0808, 0x1080);
        for (int i = 0; i < 4; ++i) {
            ecat::sync_manager sm;
            sm.owner = &s;
            s.sync_managers.push_back(std::move(sm));
        }
        add_sii_pdo(2, 0x1600);
        add_sii_pdo(3, 0x1A00);
    }

    void add_sii_pdo(int sync_manager, uint16_t index)
    {
        ecat::pdo item;
        item.index = index;
        item.sync_manager_index = static_cast<int8_t>(sync_manager);
        item.entries.push_back({0x6000, 1, 8, ""});
        ASSERT_EQ(ecat::pdo_list_append_copy(s.sync_managers[sync_manager].pdos, item), 0);
    }

    void object(uint16_t index, uint8_t subindex, std::vector<uint8_t> value)
    {
        esc().objects[fake_slave::key(index, subindex)] = std::move(value);
    }

    void read_pdos()
    {
        bool started = false;
        run(bus, d, [&] {
            if (started)
                return ecat::pdo_reading_exec(reading);
            started = true;
            return ecat::pdo_reading_start(reading, s, d);
        });
    }

    const ecat::pdo_list& pdos_of(int sync_manager) { return s.sync_managers[sync_manager].pdos; }

    ecat::pdo_reading reading;
};

TEST_F(pdo_reading_test, assignment_replaces_the_sii_lists_of_the_process_data_sync_managers)
{
    object(0x1C12, 0, {1});
    object(0x1C12, 1, u16(0x1601));
    object(0x1601, 0, {2});
    object(0x1601, 1, u32(0x70000108));
    object(0x1601, 2, u32(0x00000010));
    object(0x1C13, 0, {0});
    read_pdos();

    using key = std::vector<uint32_t>;
    EXPECT_EQ(esc().uploads,
              (key{fake_slave::key(0x1C12, 0), fake_slave::key(0x1C12, 1), fake_slave::key(0x1601, 0),
                   fake_slave::key(0x1601, 1), fake_slave::key(0x1601, 2), fake_slave::key(0x1C13, 0)}));
    ASSERT_EQ(pdos_of(2).size(), 1u);
    const ecat::pdo& rx = *pdos_of(2)[0];
    EXPECT_EQ(rx.index, 0x1601);
    EXPECT_EQ(rx.sync_manager_index, 2);
    ASSERT_EQ(rx.entries.size(), 2u);
    EXPECT_EQ(rx.entries[0].index, 0x7000);
    EXPECT_EQ(rx.entries[0].subindex, 1);
    EXPECT_EQ(rx.entries[0].bit_length, 8);
    EXPECT_EQ(rx.entries[0].name, "");
    EXPECT_EQ(rx.entries[1].index, 0);
    EXPECT_EQ(rx.entries[1].bit_length, 16);
    EXPECT_EQ(rx.entries[1].name, "Gap");
    EXPECT_TRUE(pdos_of(3).empty()); // count 0: nothing assigned
    EXPECT_EQ(s.error_flag, 0);
}

TEST_F(pdo_reading_test, answers_of_the_wrong_size_abandon_only_what_they_belong_to)
{
    object(0x1C12, 0, {1, 0}); // two bytes where one was expected
    object(0x1C13, 0, {2});
    object(0x1C13, 1, u16(0x1A01));
    object(0x1A01, 0, {3});
    object(0x1A01, 1, u32(0x60000110));
    object(0x1A01, 2, u16(0x0010)); // broken entry: the list ends here
    object(0x1C13, 2, u16(0x1A02));
    object(0x1A02, 0, {0});
    read_pdos();

    ASSERT_EQ(pdos_of(2).size(), 1u);
    EXPECT_EQ(pdos_of(2)[0]->index, 0x1600); // kept from the SII
    ASSERT_EQ(pdos_of(3).size(), 2u);
    EXPECT_EQ(pdos_of(3)[0]->index, 0x1A01);
    ASSERT_EQ(pdos_of(3)[0]->entries.size(), 1u);
    EXPECT_EQ(pdos_of(3)[0]->entries[0].index, 0x6000);
    EXPECT_EQ(pdos_of(3)[1]->index, 0x1A02);
    EXPECT_TRUE(pdos_of(3)[1]->entries.empty());
    EXPECT_EQ(s.error_flag, 0);
}

TEST_F(pdo_reading_test, aborted_pdo_index_keeps_the_sii_list)
{
    object(0x1C12, 0, {2});
    object(0x1C12, 1, u16(0x1601));
    object(0x1601, 0, {0});
    // 0x1C12:02 is missing: the slave aborts
    object(0x1C13, 0, {0});
    read_pdos();
    ASSERT_EQ(pdos_of(2).size(), 1u);
    EXPECT_EQ(pdos_of(2)[0]->index, 0x1600);
    EXPECT_TRUE(pdos_of(3).empty());
}

TEST_F(pdo_reading_test, mailbox_sync_managers_alone_read_nothing)
{
    s.sync_managers.resize(2);
    read_pdos();
    EXPECT_TRUE(bus.log.empty());
}

} // namespace
