#include "interrupt_slave.h"

#include "interrupt_firmware.h"
#include "sim/description/generic_slaves.h"
#include "sim/description/slave_builder.h"

namespace simtest {

std::unique_ptr<sim::slave> make_interrupt_slave(uint32_t serial)
{
    using access = sim::object_access;
    using namespace interrupt_slave;
    sim::slave_builder b("interrupt");
    b.identity(sim::generic_identity::vendor_id, product_code, sim::generic_identity::revision, serial)
        .names("Interrupt-driven slave", "Simulated", "SIM-IRQ")
        .chip(sim::esc_config{})
        .mailbox({0x1000, 128}, {0x1080, 128})
        .number(0x1000, 0, sim::data_type::unsigned32, access::read_only, 0, "Device type")
        .number(word_index, 0, sim::data_type::unsigned8, access::read_only, 2)
        .number(word_index, 1, sim::data_type::unsigned32, access::read_write, 0xC0DE0001, "Event word")
        .number(word_index, 2, sim::data_type::unsigned64, access::read_write, 0xC0DE000000000002, "Event quad")
        .octets(block_index, 0, access::read_write, 300, "Event block")
        .text(name_index, 0, access::read_only, name, 0, "Firmware name");
    return std::make_unique<sim::slave>(b.build(),
                                        [](const sim::slave_description& description, sim::slave_faults& faults) {
                                            return std::make_unique<interrupt_firmware>(description, faults);
                                        });
}

} // namespace simtest
