#include "protocol/analog.h"
#include "protocol/counter.h"
#include "protocol/identity.h"
#include "protocol/io.h"
#include "protocol/latch.h"
#include "protocol/settings.h"
#include "sim/cards/card_config.h"
#include "sim/cards/card_layout.h"

namespace sim::cards {

namespace {

using access = object_access;
constexpr uint16_t i32 = data_type::integer32;
namespace analog = protocol::analog;
namespace counter = protocol::counter;
namespace io = protocol::io;
namespace latch = protocol::latch;
namespace settings = protocol::settings;

// count objects made by make(n), each of them read with access a and starting at initial
template <typename Make> void each(slave_builder& b, int count, Make make, access a, uint64_t initial = 0)
{
    for (int n = 0; n < count; ++n)
        add_number(b, make(n), a, initial);
}

// a record whose subindexes 1..count are make(0)..make(count - 1)
template <typename Make> void record_of(slave_builder& b, int count, Make make, access a, uint64_t initial = 0)
{
    add_record(b, make(0).index, uint8_t(count));
    each(b, count, make, a, initial);
}

} // namespace

void add_number(slave_builder& b, const protocol::object& object, object_access a, uint64_t initial, uint16_t type)
{
    if (type == 0)
        type = object.size == 1 ? data_type::unsigned8
            : object.size == 2  ? data_type::unsigned16
                                : data_type::unsigned32;
    b.number(object.index, object.subindex, type, a, initial, object.meaning);
}

void add_record(slave_builder& b, uint16_t index, uint8_t highest)
{
    b.number(index, 0, data_type::unsigned8, access::read_only, highest);
}

void add_identity(slave_builder& b, const card_identity& id)
{
    namespace identity = protocol::identity;
    add_number(b, identity::device_type, access::read_only, 0x00000191);
    b.text(identity::device_name.index, 0, access::read_only, id.hardware_version, 0, identity::device_name.meaning);
    b.text(identity::hardware_version.index, 0, access::read_only, id.hardware_version, 0,
           identity::hardware_version.meaning);
    b.text(identity::software_version.index, 0, access::read_only, id.software_version, 0,
           identity::software_version.meaning);
    add_number(b, identity::date, access::read_only,
               uint32_t(id.day) | uint32_t(id.month) << 8 | uint32_t(id.year) << 16);
    add_record(b, identity::serial_high.index, 2);
    add_number(b, identity::serial_high, access::read_only, id.serial_high);
    add_number(b, identity::serial_low, access::read_only, id.serial_low);
}

void add_counter_clear_object(slave_builder& b)
{
    // clearing needs 0 then 0xFFFF: start armed at 0xFFFF so a lone 0xFFFF clears nothing
    add_number(b, counter::clear, access::read_write, counter::clear_now);
}

void add_io_objects(slave_builder& b)
{
    card_config defaults;
    add_number(b, io::digital_inputs, access::read_only, 0);
    add_number(b, io::digital_outputs, access::read_write, 0);
    each(b, 4, io::analog_input, access::read_only);
    each(b, 4, io::analog_output, access::read_write);
    add_number(b, counter::encoder, access::read_only, 0, i32);
    add_counter_clear_object(b);
    record_of(b, analog::ad24_count, analog::ad24_input, access::read_only, 0x800000);
    add_record(b, analog::ad_mode.index, 2);
    add_number(b, analog::ad_mode, access::read_only, defaults.ad_mode);
    add_number(b, analog::ad_output_data_rate, access::read_only, defaults.rate_code);
    record_of(b, latch::comparator_count, latch::comparator_state, access::read_only);
    add_number(b, latch::comparator_configuration, access::read_only, defaults.comparator_flags);
    record_of(b, latch::comparator_count, latch::comparator_threshold, access::read_write);
    add_number(b, latch::comparator_outputs, access::read_only, 0);
    add_number(b, counter::encoder_configuration, access::read_only, defaults.encoder_flag);
    record_of(b, latch::ad_latch_count, latch::ad_latch_configuration, access::read_write);
    record_of(b, latch::ad_latch_count, latch::ad_latch, access::read_only);
    record_of(b, latch::comparator_latch_count, latch::comparator_latch_configuration, access::read_write);
    record_of(b, latch::comparator_latch_count, latch::comparator_latch, access::read_only);
    add_number(b, analog::ad_crc_errors, access::read_only, 0);
}

void add_settings_objects(slave_builder& b)
{
    card_config defaults;
    add_number(b, settings::restart, access::read_write, 0);
    add_record(b, settings::startup_ad_mode.index, 2);
    add_number(b, settings::startup_ad_mode, access::read_write, defaults.ad_mode);
    add_number(b, settings::startup_ad_output_data_rate, access::read_write, defaults.rate_code);
    add_number(b, settings::startup_encoder_configuration, access::read_write, defaults.encoder_flag);
    add_number(b, settings::startup_comparator_configuration, access::read_write, defaults.comparator_flags);
    add_number(b, settings::save_to_flash, access::read_write, 0);
}

void add_ioh_objects(slave_builder& b)
{
    add_number(b, io::digital_inputs, access::read_only, 0);
    add_number(b, io::digital_outputs, access::read_write, 0);
    each(b, 4, io::analog_input, access::read_only);
    each(b, 2, io::analog_output, access::read_write);
    each(b, counter::pwm_count, counter::pwm_frequency, access::read_write, 1000u << 16);
    for (int channel = 0; channel < counter::pwm_count; ++channel)
        add_word_written_wide(b, counter::pwm_duty(channel), access::read_write);
    add_number(b, counter::encoder, access::read_only, 0, i32);
    add_number(b, counter::counter, access::read_only, 0, i32);
    add_counter_clear_object(b);
}

void add_io16_objects(slave_builder& b)
{
    add_number(b, io::digital_inputs, access::read_only, 0);
    add_number(b, io::digital_outputs, access::read_write, 0);
    each(b, 2, io::analog_input, access::read_only);
    add_number(b, io::analog_output(0), access::read_write, 0);
    add_counter_clear_object(b);
}

void add_ad_clock_objects(slave_builder& b)
{
    add_record(b, analog::ad_clock_source.index, uint8_t(analog::ad_clock_field_count));
    const uint32_t initial[6] = {1, 5, 80, 5, 8, 4}; // PLL2 at 80 MHz, 8.5 cycles, divided by 4
    for (int n = 0; n < analog::ad_clock_field_count; ++n)
        add_number(b, analog::ad_clock_field(n), access::read_write, initial[n], i32);
    add_number(b, analog::ad_clock_apply, access::read_write, 0);
}

void add_word_written_wide(slave_builder& b, const protocol::object& object, object_access a)
{
    object_entry entry;
    entry.index = object.index;
    entry.subindex = object.subindex;
    entry.data_type = data_type::unsigned16;
    entry.access = a;
    entry.value = {0, 0};
    entry.variable_size = true;
    entry.capacity = 4;
    entry.name = object.meaning;
    b.object(std::move(entry));
}

} // namespace sim::cards
