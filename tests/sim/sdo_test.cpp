// The CoE SDO server of the generic slave, driven by an SDO client written from the CoE rules.
#include <gtest/gtest.h>

#include <numeric>

#include "sdo_client.h"
#include "sim/description/generic_slaves.h"
#include "sim/description/slave_builder.h"

using namespace simtest;

namespace {

struct sdo_transfers : ::testing::Test {
    void SetUp() override
    {
        segment.add_slave(sim::generic_coe_slave(9));
        driver.assign_addresses(1);
        ASSERT_TRUE(driver.bring_to_preop(station));
    }
    uint32_t abort_of_upload(uint16_t index, uint8_t subindex) { return client.upload(index, subindex).abort_code; }
    uint32_t abort_of_download(uint16_t index, uint8_t subindex, std::vector<uint8_t> data)
    {
        return client.download(index, subindex, data).abort_code;
    }

    static constexpr uint16_t station = 0x1001;
    sim::bus segment;
    bus_driver driver{segment};
    sdo_client client{driver, station};
};

std::vector<uint8_t> pattern(size_t size)
{
    std::vector<uint8_t> bytes(size);
    std::iota(bytes.begin(), bytes.end(), uint8_t(7));
    return bytes;
}

} // namespace

TEST_F(sdo_transfers, expedited_upload_answers_with_the_size_in_the_command)
{
    auto reply = client.request(sdo_request(0x40, 0x5000, 2));
    ASSERT_TRUE(reply);
    EXPECT_EQ(*reply, (std::vector<uint8_t>{0x00, 0x30, 0x4B, 0x00, 0x50, 0x02, 0x22, 0x22, 0x00, 0x00}));
    EXPECT_EQ(client.upload(0x1018, 4).data, le32(9));
}

TEST_F(sdo_transfers, expedited_downloads_of_each_size_read_back)
{
    const std::vector<uint8_t> values[] = {{0xA1}, {0xB1, 0xB2}, {0xC1, 0xC2, 0xC3, 0xC4}};
    for (uint8_t sub = 1; sub <= 3; ++sub) {
        auto reply = client.request(sdo_request(uint8_t(0x23 | (4 - values[sub - 1].size()) << 2), 0x5000, sub, [&] {
            auto v = values[sub - 1];
            v.resize(4);
            return v;
        }()));
        ASSERT_TRUE(reply);
        EXPECT_EQ((*reply)[2], 0x60);
        EXPECT_EQ(client.upload(0x5000, sub).data, values[sub - 1]);
    }
}

TEST_F(sdo_transfers, normal_transfers_carry_data_after_the_complete_size)
{
    auto reply = client.request(sdo_request(0x40, 0x1008, 0));
    ASSERT_TRUE(reply);
    EXPECT_EQ((*reply)[2], 0x41);
    EXPECT_EQ(u32(*reply, 6), 17u);
    EXPECT_EQ(std::string(reply->begin() + 10, reply->end()), "Generic CoE slave");

    std::vector<uint8_t> quad = {1, 2, 3, 4, 5, 6, 7, 8};
    sdo_result written = client.download(0x5000, 4, quad);
    EXPECT_TRUE(written.completed);
    EXPECT_EQ(client.segments(), 0u);
    EXPECT_EQ(client.upload(0x5000, 4).data, quad);
}

TEST_F(sdo_transfers, data_larger_than_the_mailbox_is_segmented_both_ways)
{
    std::vector<uint8_t> block = pattern(200);
    sdo_result written = client.download(0x5001, 0, block);
    EXPECT_TRUE(written.completed);
    EXPECT_EQ(client.segments(), 1u); // 112 bytes in the initiate request, 88 in one segment

    sdo_result read = client.upload(0x5001, 0);
    EXPECT_TRUE(read.completed);
    EXPECT_EQ(client.segments(), 1u);
    EXPECT_EQ(read.data, block);
}

TEST_F(sdo_transfers, short_last_segments_are_padded_and_say_how_many_bytes_are_empty)
{
    // 112 + 85 + 3: the last download segment carries 3 bytes in a 7-byte field
    std::vector<uint8_t> initiate = le32(200);
    std::vector<uint8_t> block = pattern(200);
    initiate.insert(initiate.end(), block.begin(), block.begin() + 112);
    ASSERT_EQ((*client.request(sdo_request(0x21, 0x5001, 0, initiate)))[2], 0x60);
    std::vector<uint8_t> middle = {0x00, 0x20, 0x00};
    middle.insert(middle.end(), block.begin() + 112, block.begin() + 197);
    EXPECT_EQ((*client.request(middle))[2], 0x20);
    std::vector<uint8_t> last = {0x00, 0x20, uint8_t(0x10 | 4 << 1 | 1), block[197], block[198], block[199], 0, 0,
                                 0,    0};
    EXPECT_EQ((*client.request(last))[2], 0x30);
    EXPECT_EQ(client.upload(0x5001, 0).data, block);
}

TEST_F(sdo_transfers, object_and_access_faults_answer_with_their_abort_codes)
{
    EXPECT_EQ(abort_of_upload(0x6FFF, 0), 0x06020000u);
    EXPECT_EQ(abort_of_upload(0x5000, 9), 0x06090011u);
    EXPECT_EQ(abort_of_download(0x5002, 0, {1, 2, 3, 4}), 0x06010002u);
    EXPECT_EQ(abort_of_download(0x5000, 3, {1, 2}), 0x06070013u);
    EXPECT_EQ(abort_of_download(0x5000, 2, {1, 2, 3, 4}), 0x06070012u);
    EXPECT_EQ(abort_of_download(0x5001, 0, pattern(201)), 0x06070012u);
    EXPECT_EQ(abort_of_download(0x5001, 0, pattern(199)), 0x06070013u);
    // a refused write leaves the value alone
    EXPECT_EQ(client.upload(0x5000, 2).data, (std::vector<uint8_t>{0x22, 0x22}));
}

TEST_F(sdo_transfers, protocol_faults_answer_with_their_abort_codes)
{
    auto unknown_command = client.request(sdo_request(0xE0, 0x5000, 1));
    ASSERT_TRUE(unknown_command);
    EXPECT_EQ((*unknown_command)[2], 0x80);
    EXPECT_EQ(u32(*unknown_command, 6), 0x05040001u);

    auto stray_segment = client.request({0x00, 0x20, 0x60, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(u32(*stray_segment, 6), 0x05040001u);

    // segments announced 200 bytes but the last one leaves the total short
    std::vector<uint8_t> initiate = le32(200);
    initiate.resize(4 + 112, 0x11);
    client.request(sdo_request(0x21, 0x5001, 0, initiate));
    std::vector<uint8_t> wrong_toggle = {0x00, 0x20, 0x10, 1, 2, 3, 4, 5, 6, 7};
    auto toggled = client.request(wrong_toggle);
    EXPECT_EQ(u32(*toggled, 6), 0x05030000u);
    EXPECT_EQ(u16(*toggled, 3), 0x5001);

    client.request(sdo_request(0x21, 0x5001, 0, initiate));
    std::vector<uint8_t> short_last = {0x00, 0x20, 0x01};
    short_last.resize(3 + 50, 0x22);
    EXPECT_EQ(u32(*client.request(short_last), 6), 0x06070010u);

    // upload toggle: the first segment request must carry toggle 0
    client.request(sdo_request(0x40, 0x5001, 0));
    EXPECT_EQ(u32(*client.request({0x00, 0x20, 0x70, 0, 0, 0, 0, 0, 0, 0}), 6), 0x05030000u);
}

TEST(sdo_access, reading_a_write_only_object_is_refused)
{
    sim::bus segment;
    sim::slave_builder builder("write only");
    builder.identity(1, 2, 3, 4).mailbox({0x1000, 128}, {0x1080, 128});
    builder.number(0x2000, 0, sim::data_type::unsigned16, sim::object_access::write_only, 0);
    segment.add_slave(builder.build());
    bus_driver driver(segment);
    driver.assign_addresses(1);
    ASSERT_TRUE(driver.bring_to_preop(0x1001));
    sdo_client client(driver, 0x1001);
    EXPECT_EQ(client.upload(0x2000, 0).abort_code, 0x06010001u);
    EXPECT_TRUE(client.download(0x2000, 0, {1, 2}).completed);
}

TEST_F(sdo_transfers, pdo_assignment_and_mapping_agree_with_the_sii)
{
    EXPECT_EQ(client.upload(0x1C12, 0).data, std::vector<uint8_t>{1});
    EXPECT_EQ(client.upload(0x1C12, 1).data, le16(0x1600));
    EXPECT_EQ(client.upload(0x1C13, 1).data, le16(0x1A00));
    EXPECT_EQ(client.upload(0x1600, 0).data, std::vector<uint8_t>{1});
    EXPECT_EQ(client.upload(0x1600, 1).data, le32(0x70000110));
    EXPECT_EQ(client.upload(0x1A00, 1).data, le32(0x60000110));
    EXPECT_EQ(client.upload(0x1C10, 0).data, std::vector<uint8_t>{0});
    EXPECT_EQ(client.upload(0x1C00, 3).data, std::vector<uint8_t>{3});
}

TEST(sdo_hooks, hooks_act_on_writes_and_sample_on_reads)
{
    int samples = 0;
    sim::slave_builder builder("hooked");
    builder.identity(1, 2, 3, 4).mailbox({0x1000, 128}, {0x1080, 128});
    builder.number(0x2000, 0, sim::data_type::unsigned16, sim::object_access::read_write, 0)
        .number(0x2001, 0, sim::data_type::unsigned16, sim::object_access::read_only, 0)
        .number(0x2002, 0, sim::data_type::unsigned32, sim::object_access::read_only, 0)
        .on_write(0x2000, 0,
                  [](sim::object_dictionary& od, const std::vector<uint8_t>& data) -> uint32_t {
                      if (data[1] == 0xFF)
                          return 0x06090030;         // value range exceeded
                      od.set_value(0x2001, 0, data); // outputs wired to inputs
                      return 0;
                  })
        .on_read(0x2002, 0, [&samples](sim::object_dictionary& od) -> uint32_t {
            od.set_number(0x2002, 0, uint64_t(++samples));
            return 0;
        });
    sim::bus segment;
    segment.add_slave(builder.build());
    bus_driver driver(segment);
    driver.assign_addresses(1);
    ASSERT_TRUE(driver.bring_to_preop(0x1001));
    sdo_client client(driver, 0x1001);

    EXPECT_TRUE(client.download(0x2000, 0, {0x34, 0x12}).completed);
    EXPECT_EQ(client.upload(0x2001, 0).data, le16(0x1234));
    EXPECT_EQ(client.download(0x2000, 0, {0x00, 0xFF}).abort_code, 0x06090030u);
    EXPECT_EQ(client.upload(0x2000, 0).data, le16(0x1234));
    EXPECT_EQ(client.upload(0x2002, 0).data, le32(1));
    EXPECT_EQ(client.upload(0x2002, 0).data, le32(2));
}
