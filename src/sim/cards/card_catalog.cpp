#include "sim/cards/card_catalog.h"

#include "protocol/io.h"
#include "sim/cards/card_firmware.h"
#include "sim/cards/card_layout.h"

namespace sim::cards {

namespace {

namespace codes = card_identity_codes;
constexpr uint8_t control_outputs = 0x64; // buffered, master writes, watchdog
constexpr uint8_t control_inputs = 0x20;  // buffered, master reads

pdo_entry_description pdo_entry(const protocol::object& object)
{
    return {object.index, object.subindex, uint8_t(8 * object.size), data_type::unsigned16, object.meaning};
}

// identity, SII and the objects every card has: 128-byte mailboxes with CoE, a 16-bit
// output PDO and a 16-bit input PDO, the AD clock objects
slave_builder card_builder(const char* model, uint32_t product, const char* software, uint32_t serial)
{
    namespace dt = data_type;
    slave_builder b(model);
    b.identity(codes::vendor_id, product, codes::revision, serial)
        .names(model, "KestIO", model)
        .chip(esc_config{})
        .mailbox({0x1000, 128}, {0x1080, 128})
        .sync_manager({0x1100, 2, control_outputs, 0x01, sync_manager_use::outputs})
        .sync_manager({0x1180, 2, control_inputs, 0x01, sync_manager_use::inputs})
        .rx_pdo({0x1600, 2, "Outputs", {pdo_entry(protocol::io::digital_outputs)}})
        .tx_pdo({0x1A00, 3, "Inputs", {pdo_entry(protocol::io::digital_inputs)}});
    card_identity id;
    id.hardware_version = model;
    id.software_version = software;
    id.day = 0x18;
    id.month = 0x06;
    id.year = 0x2025;
    id.serial_high = 0x20250600 | (product & 0xFF);
    id.serial_low = 0x00010000 + serial;
    add_identity(b, id);
    add_ad_clock_objects(b);
    return b;
}

card_features zeio_features()
{
    card_features f;
    f.input_mask = 0x00FF;
    f.da_outputs = 4;
    f.ad12_inputs = 4;
    f.wiring = ad12_wiring::comparator_inputs;
    f.comparators_and_ad24 = true;
    f.encoder = true;
    return f;
}

slave::application_factory firmware(const card_features& features, uint64_t seed)
{
    return [features, seed](const slave_description& description, slave_faults& faults) {
        return std::make_unique<card_firmware>(std::make_unique<card_board>(features, description, seed), faults);
    };
}

} // namespace

slave_description describe_zeio(uint32_t serial)
{
    slave_builder b = card_builder("ZEIO", codes::zeio, "V2.1.4", serial);
    add_io_objects(b);
    add_settings_objects(b);
    add_serial_objects(b);
    add_modbus_objects(b);
    return b.build();
}

slave_description describe_kova_h(uint32_t serial)
{
    slave_builder b = card_builder("KOVA-H", codes::kova_h, "V1.3.0", serial);
    add_ioh_objects(b);
    add_serial_objects(b);
    add_modbus_objects(b);
    add_can_objects(b);
    return b.build();
}

slave_description describe_kova_16io(uint32_t serial)
{
    slave_builder b = card_builder("KOVA-16IO", codes::kova_16io, "V1.0.6", serial);
    add_io16_objects(b);
    return b.build();
}

slave_description describe_kova_ad(uint32_t serial)
{
    slave_builder b = card_builder("KOVA-AD", codes::kova_ad, "V1.2.2", serial);
    add_io_objects(b);
    add_settings_objects(b);
    return b.build();
}

slave::application_factory zeio_firmware(uint64_t seed)
{
    card_features f = zeio_features();
    f.serial = true;
    return firmware(f, seed);
}

slave::application_factory kova_ad_firmware(uint64_t seed)
{
    return firmware(zeio_features(), seed);
}

slave::application_factory kova_h_firmware(uint64_t seed)
{
    card_features f;
    f.outputs = 16;
    f.input_mask = 0x01FF;
    f.da_outputs = 2;
    f.ad12_inputs = 4;
    f.wiring = ad12_wiring::two_outputs;
    f.encoder = f.counter = f.pwm = f.serial = f.can = true;
    return firmware(f, seed);
}

slave::application_factory kova_16io_firmware(uint64_t seed)
{
    card_features f;
    f.outputs = 16;
    f.input_mask = 0xFFFF;
    f.da_outputs = 1;
    f.ad12_inputs = 2;
    f.wiring = ad12_wiring::one_output;
    return firmware(f, seed);
}

} // namespace sim::cards
