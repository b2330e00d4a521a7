// The card object operations through a master, checked on what the simulated card holds.
#include <cstring>

#include "card_bus_fixture.h"

#include "ecat/sdo_api.h"
#include "protocol/can.h"
#include "protocol/usart.h"

namespace cardtest {
namespace {

constexpr uint16_t zeio = 0, kova_h = 1, kova_16io = 2;

class card_ops : public card_bus_fixture {
protected:
    void SetUp() override { start("ZEIO,KOVA-H,KOVA-16IO,KOVA-AD"); }

    uint64_t upload(uint16_t position, uint16_t index, uint8_t subindex, size_t size)
    {
        uint8_t bytes[8] = {};
        size_t got = 0;
        EXPECT_EQ(ecat::master_sdo_upload(*m, position, index, subindex, bytes, size, &got, nullptr), 0);
        uint64_t value = 0;
        for (size_t i = 0; i < got; ++i)
            value |= uint64_t(bytes[i]) << (8 * i);
        return value;
    }
    int download(uint16_t position, uint16_t index, uint8_t subindex, uint64_t value, size_t size)
    {
        uint8_t bytes[8];
        for (size_t i = 0; i < size; ++i)
            bytes[i] = uint8_t(value >> (8 * i));
        return ecat::master_sdo_download(*m, position, index, subindex, bytes, size, nullptr);
    }
};

TEST_F(card_ops, analog_outputs_reach_the_card_and_come_back_on_the_jig)
{
    EXPECT_EQ(card::write_da_voltage(*m, kova_h, 0, 10.0).code, 0);
    EXPECT_EQ(card_number(kova_h, 0x2310, 0), 4095u) << "10 V is the top code, not 4096";
    EXPECT_EQ(card::write_da_voltage(*m, kova_h, 0, 0.0).code, 0);
    EXPECT_EQ(card_number(kova_h, 0x2310, 0), 0u);
    EXPECT_EQ(card::write_da_voltage(*m, kova_h, 1, 5.0).code, 0);
    EXPECT_EQ(card_number(kova_h, 0x2311, 0), 2048u);
    EXPECT_EQ(card::write_da_voltage(*m, kova_h, 1, 10.0001).code, -1);
    EXPECT_EQ(card::write_da_voltage(*m, kova_h, 1, -0.5).code, -1);
    EXPECT_EQ(card::write_da_voltage(*m, kova_h, 4, 1.0).code, -1) << "no card has a fifth DA";
    EXPECT_EQ(card_number(kova_h, 0x2311, 0), 2048u) << "a refused value writes nothing";
    EXPECT_NEAR(double(upload(kova_h, 0x2011, 0, 2)), 2048, 1) << "AD1 sees DA1 through the jig";

    EXPECT_EQ(card::write_da_voltage(*m, kova_16io, 1, 1.0).code, -5) << "the card has one DA: its abort comes back";
    EXPECT_EQ(download(zeio, 0x2300, 0, 0x0024, 2), 0);
    EXPECT_EQ(upload(zeio, 0x2000, 0, 2), 0x0024u) << "OUT2 and OUT5 wired to IN2 and IN5";
}

TEST_F(card_ops, pwm_values_are_converted_to_the_cards_fixed_point)
{
    EXPECT_EQ(card::write_pwm_duty(*m, kova_h, 0, 1.0).code, 0);
    EXPECT_EQ(card_number(kova_h, 0x2330, 0), 65535u);
    EXPECT_EQ(card::write_pwm_duty(*m, kova_h, 1, 0.5).code, 0);
    EXPECT_EQ(card_number(kova_h, 0x2331, 0), 32768u);
    EXPECT_EQ(upload(kova_h, 0x2331, 0, 2), 32768u) << "read back as the 16 bits the poll reads";
    EXPECT_EQ(card::write_pwm_duty(*m, kova_h, 1, 1.005).code, -1);
    EXPECT_EQ(card::write_pwm_duty(*m, kova_h, 1, -0.01).code, -1);
    EXPECT_EQ(card_number(kova_h, 0x2331, 0), 32768u);

    EXPECT_EQ(card::write_pwm_frequency(*m, kova_h, 0, 70000).code, 0);
    EXPECT_EQ(card_number(kova_h, 0x2320, 0), 4294967296u - 7) << "limited to 65535.9999 Hz";
    EXPECT_EQ(card::write_pwm_frequency(*m, kova_h, 1, 1000.0).code, 0);
    EXPECT_EQ(upload(kova_h, 0x2321, 0, 4), 1000u * 65536);
    EXPECT_EQ(card::write_pwm_frequency(*m, kova_h, 1, -1.0).code, 0);
    EXPECT_EQ(card_number(kova_h, 0x2321, 0), 0xFFFF0000u) << "no lower bound: the low 32 bits of -65536";
}

TEST_F(card_ops, clearing_the_counters_starts_the_encoder_and_counter_again)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    uint64_t counter_before = upload(kova_h, 0x2030, 0, 4);
    ASSERT_GT(counter_before, 300u) << "the counter runs with the frames";
    EXPECT_EQ(card::clear_counters(*m, kova_h).code, 0);
    EXPECT_LT(upload(kova_h, 0x2030, 0, 4), counter_before);
    EXPECT_LT(upload(kova_h, 0x2020, 0, 4), 3 * counter_before);
    EXPECT_EQ(card_number(kova_h, 0x2400, 0), 0xFFFFu);
    EXPECT_EQ(card::clear_counters(*m, kova_16io).code, 0) << "the IO16 card takes the clear too";
}

TEST_F(card_ops, a_modbus_channel_is_written_in_the_cards_layout_and_exchanges_on_the_jig)
{
    // holding register (type index 3), address 10, slave 1, one register (list code 1), Tx 2
    EXPECT_EQ(card::write_modbus_channel(*m, zeio, 3, 10, 1, 1, 1, 2).code, 0);
    EXPECT_EQ(card_number(zeio, 0x3002, 2), 10u);
    EXPECT_EQ(card_number(zeio, 0x3002, 3), 1u) << "subindex 3 is the bit count";
    EXPECT_EQ(card_number(zeio, 0x3002, 4), 1u) << "subindex 4 is the slave id";
    EXPECT_EQ(card_number(zeio, 0x3002, 5), 4u) << "subindex 5 is the register type + 1";
    EXPECT_EQ(card_number(zeio, 0x3002, 6), 1u);
    EXPECT_EQ(card::write_modbus_channel(*m, zeio, 3, 10, 1, 1, 0, 2).code, 0);
    EXPECT_EQ(card_number(zeio, 0x3022, 5), 4u) << "operation 0 is the Rx channel 0x3020 + c";
    EXPECT_EQ(card::write_modbus_channel(*m, zeio, 0, 5, 9, 8, 1, 4).code, 0); // coils of an absent slave
    EXPECT_EQ(card::write_modbus_channel(*m, zeio, 0, 0, 1, 1, 1, 8).code, -1);

    ASSERT_EQ(download(zeio, 0x2602, 3, 0x55AA, 4), 0);
    ASSERT_EQ(download(zeio, 0x2402, 4, 0, 1), 0);
    EXPECT_TRUE(wait_until([&] { return card_number(zeio, 0x2603, 3) == 0x55AA; }))
        << "written by Tx 2 into the jig slave, read back by Rx 2";
    EXPECT_TRUE(wait_until([&] { return upload(zeio, 0x3004, 7, 2) >= 2; }));
    ASSERT_EQ(download(zeio, 0x2402, 4, 1, 1), 0);
    EXPECT_EQ(card::clear_modbus_timeouts(*m, zeio).code, 0);
    for (uint16_t n = 0; n < 8; ++n)
        EXPECT_EQ(upload(zeio, uint16_t(0x3000 + n), 7, 2), 0u);
}

TEST_F(card_ops, seventy_bytes_go_out_in_blocks_of_32_32_and_6_and_come_back)
{
    std::vector<uint8_t> data(70);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = uint8_t('A' + i % 26);
    ASSERT_EQ(card::usart_send(*m, kova_h, counters, data.data(), data.size()).code, 0);
    EXPECT_EQ(card_number(kova_h, 0x2600, 2), 3u) << "three blocks, each started by a new trigger value";
    EXPECT_EQ(card_number(kova_h, 0x2600, 3), 2u) << "triggers 0, 1, 2";
    EXPECT_EQ(counters.of(kova_h).usart_tx, 3u);
    EXPECT_EQ(card_number(kova_h, 0x2600, 4), 6u);
    uint32_t second_block_word3;
    std::memcpy(&second_block_word3, data.data() + 32 + 8, 4);
    EXPECT_EQ(card_number(kova_h, 0x2602, 3), second_block_word3) << "the last block wrote :01 and :02 only";

    std::vector<uint8_t> received;
    std::vector<size_t> blocks;
    wait_until([&] {
        EXPECT_TRUE(card::usart_receive_step(*m, kova_h, counters, [&](const uint8_t* bytes, size_t length) {
                        received.insert(received.end(), bytes, bytes + length);
                        blocks.push_back(length);
                    }).ok());
        return received.size() >= data.size();
    });
    EXPECT_EQ(received, data) << "looped back by the jig";
    EXPECT_EQ(blocks, (std::vector<size_t>{32, 32, 6}));
    EXPECT_EQ(card_number(kova_h, 0x2601, 2), 0u) << "the host is no longer busy";
    EXPECT_EQ(card::usart_send(*m, kova_h, counters, data.data(), 0).code, 0);
    EXPECT_EQ(card_number(kova_h, 0x2600, 2), 3u) << "nothing to send, nothing sent";
}

TEST_F(card_ops, each_card_numbers_its_serial_blocks_on_its_own)
{
    auto loop_back = [&](uint16_t card, const std::string& text) {
        EXPECT_EQ(card::usart_send(*m, card, counters, reinterpret_cast<const uint8_t*>(text.data()), text.size()).code,
                  0);
        std::string received;
        wait_until([&] {
            EXPECT_TRUE(card::usart_receive_step(*m, card, counters, [&](const uint8_t* bytes, size_t length) {
                            received.append(reinterpret_cast<const char*>(bytes), length);
                        }).ok());
            return received.size() >= text.size();
        });
        return received;
    };
    const protocol::object& number = protocol::usart::received_block_number;
    EXPECT_EQ(loop_back(zeio, "first card"), "first card");
    EXPECT_EQ(loop_back(kova_h, "second card"), "second card")
        << "its first block has the number of the other card's last one, and is new all the same";
    EXPECT_EQ(card_number(kova_h, number.index, number.subindex), card_number(zeio, number.index, number.subindex));
}

TEST_F(card_ops, a_refused_first_setting_keeps_the_second_from_being_written)
{
    namespace can = protocol::can;
    namespace usart = protocol::usart;
    card::transfer_result rates = card::write_can_bit_rates(*m, kova_h, 5, 2'000'000);
    EXPECT_NE(rates.code, 0) << "below the lowest bit rate";
    EXPECT_EQ(std::pair(rates.index, rates.subindex),
              std::pair(can::nominal_bit_rate.index, can::nominal_bit_rate.subindex));
    EXPECT_EQ(card_number(kova_h, can::data_bit_rate.index, can::data_bit_rate.subindex), 1'000'000u);

    card::transfer_result port = card::write_serial_settings(*m, kova_h, 9600, 5, 1);
    EXPECT_EQ(std::pair(port.index, port.subindex), std::pair(usart::stop_bits.index, usart::stop_bits.subindex));
    EXPECT_EQ(card_number(kova_h, usart::baud_rate.index, usart::baud_rate.subindex), 115'200u);
}

TEST_F(card_ops, can_frames_are_sent_as_words_with_new_trigger_values_and_echoed)
{
    const uint8_t classic[] = {0x12, 0x34, 0x56, 0x78, 0x90, 0xAB, 0xCD, 0xEF, 0x11, 0x22};
    ASSERT_EQ(card::can_send(*m, kova_h, counters, 0, 1, 8, classic, 0).code, 0);
    EXPECT_EQ(card_number(kova_h, 0x2610, 4), 8u);
    EXPECT_EQ(card_number(kova_h, 0x2612, 1), 0x78563412u);
    EXPECT_EQ(card_number(kova_h, 0x2612, 2), 0xEFCDAB90u);
    EXPECT_EQ(card_number(kova_h, 0x2610, 1), 0xFFFFu) << "the first trigger value";
    ASSERT_EQ(card::can_send(*m, kova_h, counters, 0, 2, 10, classic, 0).code, 0);
    EXPECT_EQ(card_number(kova_h, 0x2610, 1), 0x0000u);
    EXPECT_EQ(card_number(kova_h, 0x2610, 4), 8u) << "a classic frame carries the first eight";

    uint8_t fd[12] = {};
    std::memcpy(fd, classic, 10); // the page rounds ten bytes up to the FD size 12
    ASSERT_EQ(card::can_send(*m, kova_h, counters, 0, 3, 12, fd, 1).code, 0);
    EXPECT_EQ(card_number(kova_h, 0x2610, 4), 12u);
    EXPECT_EQ(card_number(kova_h, 0x2612, 3), 0x00002211u) << "the two added bytes are zero";
    EXPECT_EQ(card_number(kova_h, 0x2610, 3), 3u);
    EXPECT_EQ(card::can_send(*m, kova_h, counters, 0, 4, 65, fd, 1).code, -1);
    EXPECT_NE(card::can_send(*m, kova_h, counters, 1, 5, 8, fd, 1).code, 0) << "the card refuses an FD remote frame";

    EXPECT_EQ(card::can_pending(*m, kova_h), 3);
    card::can_frame frame;
    ASSERT_EQ(card::can_receive(*m, kova_h, counters, frame).code, 0);
    EXPECT_EQ(frame.identifier, 1u);
    EXPECT_EQ(frame.length, 8u);
    EXPECT_EQ(std::vector<uint8_t>(frame.data, frame.data + 8), std::vector<uint8_t>(classic, classic + 8));
    ASSERT_EQ(card::can_receive(*m, kova_h, counters, frame).code, 0);
    ASSERT_EQ(card::can_receive(*m, kova_h, counters, frame).code, 0);
    EXPECT_EQ(frame.identifier, 3u);
    EXPECT_EQ(frame.format, 1u);
    EXPECT_EQ(frame.length, 12u);
    EXPECT_EQ(frame.data[9], 0x22);
    EXPECT_EQ(card::can_pending(*m, kova_h), 0);
    EXPECT_EQ(card::can_pending(*m, zeio), 0) << "a card without CAN has nothing waiting";
}

} // namespace
} // namespace cardtest
