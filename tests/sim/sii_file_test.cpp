// SII images read from files, as an EEPROM programmer reads them out, and the slave and ESC
// they describe.
#include <gtest/gtest.h>

#include <fstream>
#include <unistd.h>

#include "sim/description/generic_slaves.h"
#include "sim/description/sii_description.h"
#include "sim/description/sii_file.h"
#include "sim/description/sii_image.h"

namespace {

// A file of its own for each test, removed at the end.
class sii_file : public ::testing::Test {
protected:
    void TearDown() override { unlink(path.c_str()); }

    void write_bytes(const std::vector<uint8_t>& bytes)
    {
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), long(bytes.size()));
    }
    void write_words(const std::vector<uint16_t>& words)
    {
        std::vector<uint8_t> bytes;
        for (uint16_t word : words) {
            bytes.push_back(uint8_t(word));
            bytes.push_back(uint8_t(word >> 8));
        }
        write_bytes(bytes);
    }
    std::string refusal()
    {
        std::vector<uint16_t> image;
        std::string error;
        EXPECT_FALSE(sim::read_sii_file(path, image, error));
        EXPECT_EQ(error.rfind("SII " + path, 0), 0u) << "the error names the file: " << error;
        return error;
    }

    std::string path = ::testing::TempDir() + "sii_file_test_" + std::to_string(getpid()) + ".bin";
};

sim::slave_description described_slave()
{
    sim::slave_description d = sim::generic_coe_slave(9);
    d.esc.ports = {sim::port_kind::ebus, sim::port_kind::ebus, sim::port_kind::ebus, sim::port_kind::not_implemented};
    d.alias = 0x0123;
    // a process data area beyond the first 8 KiB of process memory
    d.sync_managers.push_back({0x3400, 0x0200, 0x64, 0x01, sim::sync_manager_use::inputs});
    return d;
}

} // namespace

TEST_F(sii_file, an_image_read_back_from_a_file_describes_the_slave_and_its_esc)
{
    sim::slave_description original = described_slave();
    std::vector<uint16_t> written = sim::build_sii_image(original);
    write_words(written);
    std::vector<uint16_t> image;
    std::string error;
    ASSERT_TRUE(sim::read_sii_file(path, image, error)) << error;
    EXPECT_EQ(image, written);

    sim::slave_description d = sim::describe_sii_image(image, "from-file");
    EXPECT_EQ(d.model, "from-file");
    EXPECT_EQ(d.vendor_id, original.vendor_id);
    EXPECT_EQ(d.product_code, original.product_code);
    EXPECT_EQ(d.revision, original.revision);
    EXPECT_EQ(d.serial, 9u);
    EXPECT_EQ(d.alias, 0x0123);
    EXPECT_EQ(d.receive.offset, original.receive.offset);
    EXPECT_EQ(d.send.size, original.send.size);
    EXPECT_EQ(d.mailbox_protocols, original.mailbox_protocols);
    ASSERT_EQ(d.sync_managers.size(), original.sync_managers.size());
    EXPECT_EQ(d.esc.sync_manager_count, original.sync_managers.size());
    EXPECT_EQ(d.sync_managers.back().start, 0x3400);
    EXPECT_EQ(d.sync_managers.back().use, sim::sync_manager_use::inputs);
    EXPECT_EQ(d.esc.ports[2], sim::port_kind::ebus);
    EXPECT_EQ(d.esc.ports[3], sim::port_kind::not_implemented);
    EXPECT_EQ(d.esc.ram_kib, 10) << "process memory up to 0x3600";
    EXPECT_EQ(d.esc.fmmu_count, sim::esc_config{}.fmmu_count) << "no FMMU category: the default";
}

TEST_F(sii_file, an_fmmu_category_sets_the_fmmu_count_and_the_rest_keeps_the_defaults)
{
    std::vector<uint16_t> image(0x40, 0);
    image[7] = sim::sii_header_checksum(image);
    // FMMUs: outputs, inputs, mailbox state, and a padding byte
    image.insert(image.end(), {40, 2, 0x0201, 0xFF03, 0xFFFF});
    sim::slave_description d = sim::describe_sii_image(image, "x");
    EXPECT_EQ(d.esc.fmmu_count, 3);
    sim::esc_config defaults;
    EXPECT_EQ(d.esc.sync_manager_count, defaults.sync_manager_count);
    EXPECT_EQ(d.esc.ram_kib, defaults.ram_kib);
    EXPECT_EQ(d.esc.ports, defaults.ports);
    EXPECT_TRUE(d.esc.dc);
}

TEST_F(sii_file, files_that_are_no_sii_image_are_refused_with_the_reason)
{
    std::vector<uint16_t> image = sim::build_sii_image(sim::generic_coe_slave(1));

    write_bytes(std::vector<uint8_t>(127, 0));
    EXPECT_NE(refusal().find("127 bytes"), std::string::npos);
    write_bytes(std::vector<uint8_t>(64, 0));
    EXPECT_NE(refusal().find("64 bytes"), std::string::npos);

    std::vector<uint16_t> wrong_checksum = image;
    wrong_checksum[0x0004] ^= 1; // the station alias, covered by the checksum
    write_words(wrong_checksum);
    EXPECT_NE(refusal().find("checksum"), std::string::npos);

    std::vector<uint16_t> cut(image.begin(), image.begin() + 0x48);
    write_words(cut);
    EXPECT_NE(refusal().find("past the end"), std::string::npos);

    unlink(path.c_str());
    EXPECT_NE(refusal().find("cannot be read"), std::string::npos);
}
