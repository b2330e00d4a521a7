#include "sim/cards/card_io.h"

#include "protocol/io.h"
#include "protocol/latch.h"
#include "sim/cards/card_aborts.h"

namespace sim::cards {

namespace io = protocol::io;

void card_io::install(card_hooks& hooks)
{
    hooks.on_read(io::digital_inputs, [this](object_dictionary& d) {
        set_number(d, io::digital_inputs, inputs());
        return uint32_t(0);
    });
    hooks.on_write(io::digital_outputs, [this](object_dictionary&, const std::vector<uint8_t>& data) {
        outputs_ = uint16_t(incoming_number(data));
        return uint32_t(0);
    });
    for (unsigned channel = 0; channel < da_outputs_; ++channel)
        hooks.on_write(io::analog_output(int(channel)),
                       [this, channel](object_dictionary&, const std::vector<uint8_t>& data) {
                           return set_code(da_[channel], data);
                       });
    for (unsigned comparator = 0; comparator < thresholds_count_; ++comparator)
        hooks.on_write(protocol::latch::comparator_threshold(int(comparator)),
                       [this, comparator](object_dictionary&, const std::vector<uint8_t>& data) {
                           return set_code(thresholds_[comparator], data);
                       });
}

uint32_t card_io::set_code(uint16_t& target, const std::vector<uint8_t>& data)
{
    uint64_t raw = incoming_number(data);
    if (raw > da_full_scale)
        return card_abort::value_too_high; // a 12-bit converter has no code 4096
    target = uint16_t(raw);
    return 0;
}

void card_io::reset(object_dictionary& dictionary)
{
    outputs_ = 0;
    da_.fill(0);
    thresholds_.fill(0);
    set_number(dictionary, io::digital_outputs, 0);
    for (unsigned channel = 0; channel < da_outputs_; ++channel)
        set_number(dictionary, io::analog_output(int(channel)), 0);
    for (unsigned comparator = 0; comparator < thresholds_count_; ++comparator)
        set_number(dictionary, protocol::latch::comparator_threshold(int(comparator)), 0);
}

} // namespace sim::cards
