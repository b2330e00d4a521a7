// The interrupt-driven test firmware beside the standard firmware on one bus, through the real
// master: SDO transfers of every kind, one after the other, must keep working.
#include <cstring>
#include <vector>

#include "support/sim_bus_fixture.h"
#include "ecat/sdo_api.h"
#include "interrupt_slave.h"
#include "sim/description/generic_slaves.h"

using namespace ecat;

namespace {

constexpr uint16_t standard_position = 0;
constexpr uint16_t interrupt_position = 1;
constexpr size_t block_size = 300; // beyond one mailbox: segmented both ways

class interrupt_firmware_transfers : public testsupport::bus_fixture {
protected:
    void SetUp() override
    {
        bus->add_slave(sim::generic_coe_slave(1));
        bus->add_slave(simtest::make_interrupt_slave(2));
        start();
        ASSERT_TRUE(wait_ready(2));
    }

    int download(uint16_t index, uint8_t subindex, const std::vector<uint8_t>& data)
    {
        return master_sdo_download(*m, interrupt_position, index, subindex, data.data(), data.size(), nullptr);
    }
    // the uploaded bytes, or nothing when the upload failed
    std::vector<uint8_t> upload(uint16_t position, uint16_t index, uint8_t subindex)
    {
        std::vector<uint8_t> value(block_size);
        size_t size = 0;
        if (master_sdo_upload(*m, position, index, subindex, value.data(), value.size(), &size, nullptr) != 0)
            return {};
        value.resize(size);
        return value;
    }

    static std::vector<uint8_t> pattern(unsigned round, size_t size)
    {
        std::vector<uint8_t> bytes(size);
        for (size_t i = 0; i < size; ++i)
            bytes[i] = uint8_t(round * 31 + i * 7);
        return bytes;
    }
};

} // namespace

TEST_F(interrupt_firmware_transfers, a_thousand_uploads_and_downloads_of_every_kind_in_a_row)
{
    using namespace simtest::interrupt_slave;
    // pairs of download and upload: expedited (4 bytes), normal (8), segmented (300)
    const struct {
        uint16_t index;
        uint8_t subindex;
        size_t size;
    } kinds[] = {{word_index, 1, 4}, {word_index, 2, 8}, {block_index, 0, block_size}};
    constexpr unsigned transfers = 1000;
    for (unsigned n = 0; n < transfers / 2; ++n) {
        const auto& kind = kinds[n % 3];
        std::vector<uint8_t> sent = pattern(n, kind.size);
        ASSERT_EQ(download(kind.index, kind.subindex, sent), 0) << "download " << n;
        ASSERT_EQ(upload(interrupt_position, kind.index, kind.subindex), sent) << "upload " << n;
        if (n % 100 == 0) { // the standard firmware beside it keeps answering from its own dictionary
            ASSERT_EQ(upload(standard_position, 0x5000, 2), (std::vector<uint8_t>{0x22, 0x22})) << n;
        }
    }
    std::vector<uint8_t> name_bytes(name, name + std::strlen(name));
    EXPECT_EQ(upload(interrupt_position, name_index, 0), name_bytes);
}
