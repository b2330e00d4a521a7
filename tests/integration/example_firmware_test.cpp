// The example firmware (examples/firmware, C, loaded as a shared library) beside a ZEIO card on
// the in-process bus, through the real master: the scan takes the example's identity and chip
// from its SII file, and SDO transfers of every size work on it both ways.
#include <cstring>
#include <string>
#include <vector>

#include "support/sim_bus_fixture.h"
#include "ecat/sdo_api.h"
#include "ecat/slave_info.h"
#include "sim/bus/bus_catalog.h"

using namespace ecat;

namespace {

constexpr uint16_t card_position = 0;
constexpr uint16_t example_position = 1;
constexpr uint16_t octets_index = 0x2002;
constexpr size_t longest = 400;

struct transfer {
    int result = 0;
    uint32_t abort_code = 0;
    std::vector<uint8_t> value;
};

class example_firmware : public testsupport::bus_fixture {
protected:
    void SetUp() override
    {
        std::string error;
        bus = sim::make_bus(std::string("ZEIO,firmware=") + EXAMPLE_FIRMWARE + ",sii=" + EXAMPLE_SII, 5, error);
        ASSERT_TRUE(bus) << error;
        start();
        ASSERT_TRUE(wait_ready(2));
    }

    transfer download(uint16_t index, uint8_t subindex, const std::vector<uint8_t>& data)
    {
        transfer t;
        t.result = master_sdo_download(*m, example_position, index, subindex, data.data(), data.size(), &t.abort_code);
        return t;
    }
    transfer upload(uint16_t position, uint16_t index, uint8_t subindex)
    {
        transfer t;
        t.value.resize(longest + 16);
        size_t size = 0;
        t.result =
            master_sdo_upload(*m, position, index, subindex, t.value.data(), t.value.size(), &size, &t.abort_code);
        t.value.resize(size);
        return t;
    }
    uint32_t upload_number(uint16_t index, uint8_t subindex)
    {
        std::vector<uint8_t> bytes = upload(example_position, index, subindex).value;
        uint32_t value = 0;
        for (size_t i = 0; i < bytes.size() && i < 4; ++i)
            value |= uint32_t(bytes[i]) << (8 * i);
        return value;
    }

    static std::vector<uint8_t> pattern(size_t size, unsigned seed)
    {
        std::vector<uint8_t> bytes(size);
        for (size_t i = 0; i < size; ++i)
            bytes[i] = uint8_t(seed * 13 + i * 7 + 1);
        return bytes;
    }
};

std::string text(const std::vector<uint8_t>& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

} // namespace

TEST_F(example_firmware, scans_to_preop_with_the_identity_and_chip_its_sii_file_gives)
{
    slave_info info;
    ASSERT_EQ(master_get_slave_info(*m, example_position, info), 0);
    EXPECT_STREQ(info.name, "KestIO example firmware");
    EXPECT_EQ(info.vendor_id, 0x00004B49u);
    EXPECT_EQ(info.product_code, 0x000E0001u);
    EXPECT_EQ(info.revision_number, 0x00010000u);
    EXPECT_EQ(info.serial_number, 1u);
    EXPECT_EQ(info.al_state, 0x02);
    EXPECT_EQ(info.error_flag, 0);
    ASSERT_EQ(master_get_slave_info(*m, card_position, info), 0);
    EXPECT_STREQ(info.name, "ZEIO");
    EXPECT_EQ(info.al_state, 0x02);

    // the chip as the SII's FMMU and sync manager categories make it
    EXPECT_EQ(bus->with_slave(example_position, [](sim::slave& s) { return s.controller().peek(0x0004); }), 3);
    EXPECT_EQ(bus->with_slave(example_position, [](sim::slave& s) { return s.controller().peek(0x0005); }), 2);

    // the firmware's own dictionary agrees with its EEPROM
    EXPECT_EQ(text(upload(example_position, 0x1008, 0).value), "KestIO example firmware");
    EXPECT_EQ(upload_number(0x1018, 1), 0x00004B49u);
    EXPECT_EQ(upload_number(0x1018, 2), 0x000E0001u);
    EXPECT_EQ(upload_number(0x1018, 4), 1u);
}

TEST_F(example_firmware, downloads_and_uploads_of_every_size_read_back)
{
    // expedited (up to 4 bytes), normal (up to 112 bytes in one 128-byte mailbox), segmented
    // with one segment (up to 231) or more, short last segments padded to seven bytes
    std::vector<size_t> sizes;
    for (size_t size = 1; size <= 9; ++size)
        sizes.push_back(size);
    for (size_t size = 110; size <= 126; ++size)
        sizes.push_back(size);
    for (size_t size = 226; size <= 240; ++size)
        sizes.push_back(size);
    for (size_t size : {300, 349, 350, 351, 398, 399, 400})
        sizes.push_back(size);
    for (size_t size : sizes) {
        std::vector<uint8_t> sent = pattern(size, unsigned(size));
        transfer written = download(octets_index, 0, sent);
        ASSERT_EQ(written.result, 0) << size << " bytes, abort " << std::hex << written.abort_code;
        transfer read = upload(example_position, octets_index, 0);
        ASSERT_EQ(read.result, 0) << size;
        ASSERT_EQ(read.value, sent) << size << " bytes";
    }

    const struct {
        uint16_t index;
        size_t size;
    } numbers[] = {{0x2000, 1}, {0x2003, 2}, {0x2001, 4}, {0x2004, 8}};
    for (const auto& number : numbers) {
        std::vector<uint8_t> sent = pattern(number.size, number.index);
        ASSERT_EQ(download(number.index, 0, sent).result, 0) << std::hex << number.index;
        EXPECT_EQ(upload(example_position, number.index, 0).value, sent) << std::hex << number.index;
    }
    EXPECT_EQ(text(upload(card_position, 0x1008, 0).value), "ZEIO") << "the card beside it answers too";
}

TEST_F(example_firmware, refused_transfers_get_the_sdo_abort_and_change_nothing)
{
    std::vector<uint8_t> kept = pattern(150, 3);
    ASSERT_EQ(download(octets_index, 0, kept).result, 0);

    const struct {
        const char* what;
        transfer result;
        uint32_t abort_code;
    } refusals[] = {
        {"missing object", upload(example_position, 0x3000, 0), 0x06020000},
        {"missing subindex", upload(example_position, 0x1018, 5), 0x06090011},
        {"read-only object", download(0x1008, 0, {'x'}), 0x06010002},
        {"too long", download(octets_index, 0, pattern(longest + 1, 1)), 0x06070012},
        {"too short for a u32", download(0x2001, 0, {1, 2}), 0x06070013},
        {"too long for a u8", download(0x2000, 0, {1, 2}), 0x06070012},
    };
    for (const auto& refusal : refusals) {
        EXPECT_NE(refusal.result.result, 0) << refusal.what;
        EXPECT_EQ(refusal.result.abort_code, refusal.abort_code) << refusal.what;
    }
    EXPECT_EQ(upload(example_position, octets_index, 0).value, kept);
}
