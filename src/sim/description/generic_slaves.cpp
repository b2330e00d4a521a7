#include "sim/description/generic_slaves.h"

#include "sim/description/slave_builder.h"

namespace sim {

namespace {
constexpr uint8_t control_outputs = 0x64; // buffered, master writes, watchdog
constexpr uint8_t control_inputs = 0x20;  // buffered, master reads
} // namespace

slave_description generic_coe_slave(uint32_t serial)
{
    using access = object_access;
    slave_builder b("generic");
    b.identity(generic_identity::vendor_id, generic_identity::coe_product, generic_identity::revision, serial)
        .names("Generic CoE slave", "Simulated", "SIM-COE")
        .chip(esc_config{})
        .mailbox({0x1000, 128}, {0x1080, 128})
        .boot_mailbox({0x1000, 128}, {0x1080, 128})
        .sync_manager({0x1100, 2, control_outputs, 0x01, sync_manager_use::outputs})
        .sync_manager({0x1180, 2, control_inputs, 0x01, sync_manager_use::inputs})
        .rx_pdo({0x1600, 2, "Outputs", {{0x7000, 1, 16, data_type::unsigned16, "Output word"}}})
        .tx_pdo({0x1A00, 3, "Inputs", {{0x6000, 1, 16, data_type::unsigned16, "Input word"}}})
        .number(0x1000, 0, data_type::unsigned32, access::read_only, 0, "Device type")
        .text(0x1008, 0, access::read_only, "Generic CoE slave", 0, "Device name")
        .text(0x1009, 0, access::read_only, "HW 1.0", 0, "Hardware version")
        .text(0x100A, 0, access::read_only, "SW 1.0.0", 0, "Software version")
        .number(0x5000, 0, data_type::unsigned8, access::read_only, 4)
        .number(0x5000, 1, data_type::unsigned8, access::read_write, 0x11, "Test byte")
        .number(0x5000, 2, data_type::unsigned16, access::read_write, 0x2222, "Test word")
        .number(0x5000, 3, data_type::unsigned32, access::read_write, 0x33333333, "Test double word")
        .number(0x5000, 4, data_type::unsigned64, access::read_write, 0x4444444444444444, "Test quad word")
        .octets(0x5001, 0, access::read_write, 200, "Test block")
        .number(0x5002, 0, data_type::unsigned32, access::read_only, 0x12345678, "Test constant")
        .number(0x6000, 0, data_type::unsigned8, access::read_only, 1)
        .number(0x6000, 1, data_type::unsigned16, access::read_only, 0, "Input word")
        .number(0x7000, 0, data_type::unsigned8, access::read_only, 1)
        .number(0x7000, 1, data_type::unsigned16, access::read_write, 0, "Output word");
    return b.build();
}

slave_description slave_without_mailbox(uint32_t serial)
{
    esc_config chip;
    chip.fmmu_count = 3;
    chip.sync_manager_count = 4;
    chip.ram_kib = 1;
    chip.ports = {port_kind::ebus, port_kind::ebus, port_kind::not_implemented, port_kind::not_implemented};
    chip.dc = false;
    chip.dc_64bit = false;
    slave_builder b("nomailbox");
    b.identity(generic_identity::vendor_id, generic_identity::plain_product, generic_identity::revision, serial)
        .names("Plain IO slave", "Simulated", "SIM-IO")
        .chip(chip)
        .sync_manager({0x1000, 1, 0x44, 0x01, sync_manager_use::outputs})
        .sync_manager({0x1080, 1, 0x00, 0x01, sync_manager_use::inputs})
        .rx_pdo({0x1600, 0, "Outputs", {{0x7000, 1, 8, data_type::unsigned8, "Output byte"}}})
        .tx_pdo({0x1A00, 1, "Inputs", {{0x6000, 1, 8, data_type::unsigned8, "Input byte"}}});
    return b.build();
}

} // namespace sim
