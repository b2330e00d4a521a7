// The card's serial port on the jig: the custom-protocol mailbox and the Modbus master.
#include <fcntl.h>
#include <unistd.h>

#include "serial_fixture.h"

#include "sim/cards/card_aborts.h"
#include "sim/cards/modbus_master.h"
#include "sim/cards/modbus_rtu.h"

namespace cardtest {
namespace {

namespace status = protocol::modbus_status;

TEST_F(serial_jig, blocks_sent_come_back_through_the_receive_mailbox_one_at_a_time)
{
    make("ZEIO");
    stage(0, "first block", 0);
    stage(0, "first block", 0); // the same trigger again sends nothing
    stage(0, std::string(32, 'x'), 1);
    EXPECT_EQ(read(0, 0x2600, 2), 2u);
    frames(1);
    EXPECT_EQ(read(0, 0x2601, 1), 1u);
    uint64_t number = read(0, 0x2601, 3);
    // a serial line keeps no block bounds: the card presents up to 32 bytes of what arrived
    EXPECT_EQ(presented(0), "first block" + std::string(21, 'x'));
    frames(3);
    EXPECT_EQ(read(0, 0x2601, 3), number) << "a block stays until the host has taken it";
    take_block(0);
    EXPECT_EQ(read(0, 0x2601, 1), 0u);
    frames(1);
    EXPECT_EQ(read(0, 0x2601, 3), uint16_t(number + 1));
    EXPECT_EQ(presented(0), std::string(11, 'x'));
    take_block(0);
    frames(2);
    EXPECT_EQ(read(0, 0x2601, 1), 0u) << "nothing more arrived";

    // in Modbus mode the line belongs to the Modbus master
    ASSERT_EQ(write(0, 0x2402, 4, 0, 1), 0u);
    EXPECT_EQ(write(0, 0x2600, 3, 7, 2), sim::cards::card_abort::device_state);
}

TEST_F(serial_jig, modbus_channels_exchange_with_the_jig_slave)
{
    make("KOVA-H");
    ASSERT_EQ(write(0, 0x2402, 4, 0, 1), 0u);
    write(0, 0x2602, 1, 0x1234, 4);
    write(0, 0x2602, 2, 0xCAFEBABE, 4);
    write(0, 0x2602, 3, 0xA5, 4);
    channel(0, 0x3000, 10, 16, 1, 4);  // Tx 0: one holding register
    channel(0, 0x3001, 20, 32, 1, 4);  // Tx 1: two holding registers
    channel(0, 0x3002, 0, 8, 1, 1);    // Tx 2: eight coils
    channel(0, 0x3020, 10, 16, 1, 4);  // Rx 0 reads back Tx 0
    channel(0, 0x3021, 20, 2, 1, 4);   // Rx 1: two registers, as the host's list codes them
    channel(0, 0x3022, 0, 8, 1, 1);    // Rx 2: coils
    channel(0, 0x3023, 0, 8, 1, 2);    // Rx 3: discrete inputs
    channel(0, 0x3024, 7, 16, 1, 3);   // Rx 4: an input register
    channel(0, 0x3026, 300, 16, 1, 4); // Rx 6: beyond the slave's registers
    channel(0, 0x3007, 0, 8, 1, 2);    // Tx 7: inputs cannot be written
    frames(120);                       // every channel twice over
    for (uint16_t index : {0x3000, 0x3001, 0x3002, 0x3020, 0x3021, 0x3022, 0x3023, 0x3024})
        EXPECT_EQ(read(0, index, 1), status::done) << std::hex << index;
    EXPECT_EQ(read(0, 0x2603, 1), 0x1234u);
    EXPECT_EQ(read(0, 0x2603, 2), 0xCAFEBABEu);
    EXPECT_EQ(read(0, 0x2603, 3), 0xA5u);
    EXPECT_EQ(read(0, 0x2603, 4), 0xA5u);
    EXPECT_EQ(read(0, 0x2603, 5), 0x1007u);
    EXPECT_EQ(read(0, 0x3026, 1), status::exception | 0x0200u) << "illegal data address";
    EXPECT_EQ(read(0, 0x3007, 1), status::bad_setting);
    EXPECT_EQ(read(0, 0x3025, 1), 0u) << "a channel that does not run stays untouched";
}

TEST_F(serial_jig, a_channel_for_an_absent_slave_counts_time_outs_until_cleared)
{
    make("ZEIO");
    write(0, 0x2402, 4, 0, 1);
    write(0, 0x2402, 1, 30, 2); // 3 ms
    write(0, 0x2402, 3, 5, 2);  // 5 ms between exchanges
    channel(0, 0x3003, 0, 16, 9, 4);
    frames(81);
    EXPECT_EQ(read(0, 0x3003, 1), status::timed_out);
    EXPECT_EQ(read(0, 0x3003, 7), 10u) << "one time-out every 3 + 5 frames";
    EXPECT_EQ(read_bytes(0, 0x3003, 7).size(), 2u);
    EXPECT_EQ(write(0, 0x3003, 7, 5, 4), sim::cards::card_abort::value_range_exceeded);
    EXPECT_EQ(write(0, 0x3003, 7, 0, 4), 0u);
    EXPECT_EQ(read_bytes(0, 0x3003, 7), (std::vector<uint8_t>{0, 0})) << "read as 16 bits again";

    write(0, 0x2402, 4, 1, 1);
    frames(40);
    EXPECT_EQ(read(0, 0x3003, 7), 0u) << "no Modbus in the custom-protocol mode";
}

TEST_F(serial_jig, replies_that_do_not_fit_the_request_are_bad_replies)
{
    make("KOVA-H");
    std::string path, error;
    ASSERT_TRUE(sim::cards::bind_serial_to_pty(*bus, 0, path, error)) << error;
    int pc = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(pc, 0) << path;
    write(0, 0x2402, 4, 0, 1);
    write(0, 0x2402, 1, 60000, 2); // 6 s: the test answers at its own pace
    // Steps the card until its request has come out on the line, then answers it.
    auto answer = [&](std::vector<uint8_t> reply) {
        std::vector<uint8_t> request;
        for (int i = 0; i < 3000 && request.size() < 8; ++i) {
            frames(1);
            uint8_t bytes[64];
            ssize_t got = ::read(pc, bytes, sizeof bytes);
            if (got > 0)
                request.insert(request.end(), bytes, bytes + got);
            else
                ::usleep(500);
        }
        sim::cards::modbus::seal(reply);
        EXPECT_EQ(::write(pc, reply.data(), reply.size()), ssize_t(reply.size()));
        return request;
    };
    auto status_after_reply = [&](uint16_t index) {
        for (int i = 0; i < 3000 && read(0, index, 1) == 0; ++i) {
            frames(1);
            ::usleep(500);
        }
        return read(0, index, 1);
    };

    channel(0, 0x3020, 5, 32, 1, 4);                                          // two holding registers
    std::vector<uint8_t> request = answer({1, 3, 2, 0x12, 0x34, 0x56, 0x78}); // counts 2 data bytes, sends 4
    EXPECT_EQ(request, sim::cards::modbus::read_request(1, 3, 5, 2));
    EXPECT_EQ(status_after_reply(0x3020), status::bad_reply);
    EXPECT_EQ(read(0, 0x2603, 1), 0u) << "a bad reply delivers no data";
    write(0, 0x3020, 6, 0, 1);

    write(0, 0x2602, 1, 0x0102, 4);
    channel(0, 0x3000, 9, 16, 1, 4);            // one holding register
    request = answer({1, 6, 0, 9, 0x01, 0x03}); // echoes another value
    EXPECT_EQ(request, sim::cards::modbus::write_registers_request(1, 9, {0x0102}));
    EXPECT_EQ(status_after_reply(0x3000), status::bad_reply);
    ::close(pc);
}

TEST(modbus_rtu, frames_carry_the_standard_crc)
{
    // the classic example: read 10 holding registers of slave 1 from address 0
    EXPECT_EQ(sim::cards::modbus::read_request(1, 3, 0, 10),
              (std::vector<uint8_t>{0x01, 0x03, 0x00, 0x00, 0x00, 0x0A, 0xC5, 0xCD}));
    std::vector<uint8_t> frame = sim::cards::modbus::write_coils_request(1, 19, 10, 0x1CD);
    EXPECT_TRUE(sim::cards::modbus::intact(frame.data(), frame.size()));
    frame[7] ^= 1;
    EXPECT_FALSE(sim::cards::modbus::intact(frame.data(), frame.size()));
}

} // namespace
} // namespace cardtest
