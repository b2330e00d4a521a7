#include "sim/cards/card_io.h"

#include "sim/cards/card_aborts.h"

namespace sim::cards {

void card_io::install(card_hooks& hooks)
{
    hooks.on_read(0x2000, 0, [this](object_dictionary& d) {
        d.set_number(0x2000, 0, inputs());
        return uint32_t(0);
    });
    hooks.on_write(0x2300, 0, [this](object_dictionary&, const std::vector<uint8_t>& data) {
        outputs_ = uint16_t(incoming_number(data));
        return uint32_t(0);
    });
    for (unsigned channel = 0; channel < da_outputs_; ++channel)
        hooks.on_write(uint16_t(0x2310 + channel), 0,
                       [this, channel](object_dictionary&, const std::vector<uint8_t>& data) {
                           return set_code(da_[channel], data);
                       });
    for (unsigned comparator = 0; comparator < thresholds_count_; ++comparator)
        hooks.on_write(0x3032, uint8_t(comparator + 1),
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
    dictionary.set_number(0x2300, 0, 0);
    for (unsigned channel = 0; channel < da_outputs_; ++channel)
        dictionary.set_number(uint16_t(0x2310 + channel), 0, 0);
    for (unsigned comparator = 0; comparator < thresholds_count_; ++comparator)
        dictionary.set_number(0x3032, uint8_t(comparator + 1), 0);
}

} // namespace sim::cards
