#pragma once
#include <cstdint>
#include <string>

#include "protocol/object.h"
#include "sim/description/slave_builder.h"

namespace sim::cards {

// The object layouts of the IO cards, one group per card function. Objects the host only
// reads are read-only; objects it writes are readable too, so that their value can be
// checked. Records get the usual subindex 0 with their highest subindex.

struct card_identity {
    std::string hardware_version; // the model name the host recognises the card by
    std::string software_version;
    uint8_t day = 0, month = 0; // written in hexadecimal digits, like the year
    uint16_t year = 0;
    uint32_t serial_high = 0, serial_low = 0;
};

void add_identity(slave_builder& b, const card_identity& identity);
// Eight inputs wired from eight outputs, four DA outputs, comparators with their inputs,
// thresholds and latches, sixteen 24-bit AD inputs with latches, the encoder.
void add_io_objects(slave_builder& b);
// The configuration words that are saved to flash and take effect at a restart.
void add_settings_objects(slave_builder& b);
// Nine inputs, two DA outputs, four 12-bit AD inputs, two PWM outputs, counter and encoder.
void add_ioh_objects(slave_builder& b);
// Sixteen inputs and outputs, two 12-bit AD inputs, one DA output.
void add_io16_objects(slave_builder& b);
void add_counter_clear_object(slave_builder& b);
void add_ad_clock_objects(slave_builder& b);
void add_serial_objects(slave_builder& b);
void add_modbus_objects(slave_builder& b);
void add_can_objects(slave_builder& b);

// A number entry for a card object, named by its meaning; its type is the unsigned one of
// its size unless another is given.
void add_number(slave_builder& b, const protocol::object& object, object_access access, uint64_t initial,
                uint16_t type = 0);
// Subindex 0 of a record: its highest subindex.
void add_record(slave_builder& b, uint16_t index, uint8_t highest);

// A 16-bit value that is also accepted as a 32-bit download whose upper word is zero
// (PWM duty, Modbus time-out count): the host reads two bytes and writes four.
void add_word_written_wide(slave_builder& b, const protocol::object& object, object_access access);

} // namespace sim::cards
