#include "ecat/fsm/al_state_change.h"

#include "ecat/fsm/al_texts.h"
#include "one_slave_test.h"

namespace {

using namespace fsmtest;
using ecat::datagram_type;

class al_state_change_test : public one_slave_test {
protected:
    int change_to(uint16_t state)
    {
        ecat::al_change_start(change, s, d, state);
        return run(bus, d, [&] { return ecat::al_change_exec(change); });
    }
    int acknowledge()
    {
        ecat::al_acknowledge_start(change, s, d);
        return run(bus, d, [&] { return ecat::al_change_exec(change); });
    }
    // Values written to AL Control, in order.
    std::vector<uint16_t> control_writes() const
    {
        std::vector<uint16_t> values;
        for (const auto& e : bus.log)
            if (e.type == datagram_type::FPWR && e.offset == esc::al_control)
                values.push_back(e.value());
        return values;
    }

    ecat::al_state_change change;
};

TEST_F(al_state_change_test, state_reached_on_first_read_takes_two_exchanges)
{
    esc().reg[0x130] = 0x01;
    s.current_al_state = 0x01;
    EXPECT_EQ(change_to(0x02), 2);
    EXPECT_TRUE(ecat::al_change_done(change));
    EXPECT_EQ(s.current_al_state, 0x02);
    EXPECT_EQ(control_writes(), std::vector<uint16_t>{0x02});
}

TEST_F(al_state_change_test, spontaneous_move_is_followed_until_the_requested_state)
{
    // INIT -> BOOT requested; the slave shows PREOP (its own start-up) for a while.
    esc().reg[0x130] = 0x01;
    s.current_al_state = 0x01;
    int reads = 0;
    esc().al_control = [](fake_slave& e, uint8_t) { e.reg[0x130] = 0x02; };
    bus.intercept = [&](ecat::datagram& dg) {
        if (dg.type == datagram_type::FPRD && ++reads == 4)
            esc().reg[0x130] = 0x03;
        return false;
    };
    change_to(0x03);
    EXPECT_TRUE(ecat::al_change_done(change));
    EXPECT_TRUE(change.spontaneous_change);
    EXPECT_EQ(change.old_state, 0x02);
    EXPECT_EQ(s.error_flag, 0);
    EXPECT_EQ(reads, 4);
}

TEST_F(al_state_change_test, unchanged_state_fails_after_five_seconds)
{
    esc().reg[0x130] = 0x01;
    s.current_al_state = 0x01;
    esc().al_control = [](fake_slave&, uint8_t) {}; // neither performs nor refuses
    bus.step_ms = 1000;
    change_to(0x02);
    EXPECT_TRUE(ecat::al_change_failed(change));
    // the limit counts from the first status read: the sixth is answered 5001 ms after it
    EXPECT_EQ(bus.count(datagram_type::FPRD, esc::al_status), 6u);
    EXPECT_EQ(s.error_flag, 0);
}

TEST_F(al_state_change_test, two_slaves_answering_the_control_write_fail_at_once)
{
    bus.slaves.push_back(bus.slaves[0]); // same station address twice
    EXPECT_EQ(change_to(0x02), 1);
    EXPECT_TRUE(ecat::al_change_failed(change));
}

TEST_F(al_state_change_test, control_write_is_repeated_while_nobody_answers_for_three_seconds)
{
    esc().present = false;
    bus.step_ms = 500;
    change_to(0x02);
    EXPECT_TRUE(ecat::al_change_failed(change));
    // answered 1, 501 ... 2501 ms after the first write: the seventh, at 3001 ms, ends it
    EXPECT_EQ(control_writes().size(), 7u);
}

TEST_F(al_state_change_test, slave_appearing_during_the_write_window_is_changed)
{
    esc().present = false;
    int writes = 0;
    bus.intercept = [&](ecat::datagram&) {
        esc().present = ++writes > 3;
        return false;
    };
    change_to(0x02);
    EXPECT_TRUE(ecat::al_change_done(change));
}

TEST_F(al_state_change_test, refused_change_stores_the_code_acknowledges_and_fails)
{
    esc().reg[0x130] = 0x02;
    s.current_al_state = 0x02;
    esc().al_control = [](fake_slave& e, uint8_t value) {
        if (value & 0x10)
            e.reg[0x130] = value & 0x0F; // acknowledged
        else {
            e.reg[0x130] = 0x12;
            write_u16(e.reg + esc::al_status_code, 0x0017);
        }
    };
    change_to(0x04);
    EXPECT_TRUE(ecat::al_change_failed(change));
    EXPECT_EQ(s.error_flag, 1);
    EXPECT_EQ(s.al_status_code, 0x0017);
    EXPECT_EQ(control_writes(), (std::vector<uint16_t>{0x04, 0x12}));
    EXPECT_EQ(s.current_al_state, 0x02);
}

TEST_F(al_state_change_test, acknowledge_keeps_the_code_read_before_it)
{
    esc().reg[0x130] = 0x12;
    write_u16(esc().reg + esc::al_status_code, 0x001D);
    s.current_al_state = 0x12;
    esc().al_control = [](fake_slave& e, uint8_t value) {
        e.reg[0x130] = value & 0x0F;
        write_u16(e.reg + esc::al_status_code, 0x0000); // an acknowledged slave clears its code
    };
    EXPECT_EQ(acknowledge(), 3);
    EXPECT_TRUE(ecat::al_change_done(change));
    EXPECT_EQ(s.al_status_code, 0x001D);
    EXPECT_EQ(s.current_al_state, 0x02);
    EXPECT_EQ(control_writes(), std::vector<uint16_t>{0x12});
}

TEST_F(al_state_change_test, error_bit_that_stays_fails_the_acknowledge_after_five_seconds)
{
    esc().reg[0x130] = 0x12;
    s.current_al_state = 0x12;
    esc().al_control = [](fake_slave&, uint8_t) {};
    bus.step_ms = 1000;
    acknowledge();
    EXPECT_TRUE(ecat::al_change_failed(change));
    EXPECT_EQ(bus.count(datagram_type::FPRD, esc::al_status), 6u);
}

TEST(al_texts, state_names_in_both_forms)
{
    EXPECT_EQ(ecat::al_state_name(0x12), "PREOP + ERROR");
    EXPECT_EQ(ecat::al_state_name(0x00), "(unknown)");
    EXPECT_EQ(ecat::al_state_name(0x05), "(invalid)");
    EXPECT_EQ(ecat::al_state_name(0x03), "BOOT");
    EXPECT_EQ(ecat::al_state_names_multi(0x03), "INIT, PREOP");
    EXPECT_EQ(ecat::al_state_names_multi(0x18), "OP + ERROR");
    EXPECT_EQ(ecat::al_state_names_multi(0x10), "ERROR");
    EXPECT_EQ(ecat::al_state_names_multi(0x00), "(unknown)");
    EXPECT_EQ(ecat::al_state_names_multi(0x0F), "INIT, PREOP, SAFEOP, OP");
}

TEST(al_texts, status_codes_are_looked_up_up_to_the_table_end)
{
    EXPECT_STREQ(ecat::al_status_text(0x0000), "No error");
    EXPECT_STREQ(ecat::al_status_text(0x0016), "Invalid mailbox configuration");
    EXPECT_STREQ(ecat::al_status_text(0x0060), "Slave Restarted Locally");
    EXPECT_EQ(ecat::al_status_text(0x0003), nullptr);
    EXPECT_EQ(ecat::al_status_text(0xFFFF), nullptr);
}

} // namespace
