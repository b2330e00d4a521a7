#include "sim/cards/comparator_latches.h"

#include "protocol/latch.h"

namespace sim::cards {

namespace objects = protocol::latch;

namespace {
constexpr uint16_t latch_enable = objects::latch_enabled;
constexpr uint16_t latch_falling_edge = 0x0002;
constexpr uint16_t latch_once = 0x0004;

// Latches 0…15 are the AD latches, 16…19 the comparator latches.
protocol::object configuration_object(unsigned n)
{
    int ad = objects::ad_latch_count;
    return int(n) < ad ? objects::ad_latch_configuration(int(n)) : objects::comparator_latch_configuration(int(n) - ad);
}

protocol::object latch_object(unsigned n)
{
    int ad = objects::ad_latch_count;
    return int(n) < ad ? objects::ad_latch(int(n)) : objects::comparator_latch(int(n) - ad);
}

} // namespace

void comparator_latches::install(card_hooks& hooks)
{
    for (int comparator = 0; comparator < objects::comparator_count; ++comparator)
        hooks.on_read(objects::comparator_state(comparator), [this, comparator](object_dictionary& d) {
            set_number(d, objects::comparator_state(comparator), (comparator_outputs() >> comparator) & 1);
            return uint32_t(0);
        });
    hooks.on_read(objects::comparator_outputs, [this](object_dictionary& d) {
        set_number(d, objects::comparator_outputs, comparator_outputs());
        return uint32_t(0);
    });
    for (unsigned latch = 0; latch < latch_count; ++latch) {
        bool ad = latch < ad_latches;
        const protocol::object value = latch_object(latch);
        hooks.on_write(configuration_object(latch),
                       [this, latch, ad](object_dictionary&, const std::vector<uint8_t>& data) {
                           uint16_t word = uint16_t(incoming_number(data));
                           if (ad)
                               active_.ad_latch[latch] = word;
                           else
                               active_.comparator_latch[latch - ad_latches] = word;
                           captured_[latch] = false; // a new configuration arms a latch-once again
                           return uint32_t(0);
                       });
        hooks.on_read(value, [this, latch, value](object_dictionary& d) {
            set_number(d, value, latched_[latch]);
            return uint32_t(0);
        });
    }
}

uint8_t comparator_latches::comparator_outputs() const
{
    uint8_t outputs = 0;
    for (unsigned comparator = 0; comparator < 2; ++comparator) {
        uint16_t enable = comparator == 0 ? comparator_flag::enable0 : comparator_flag::enable1;
        uint16_t invert = comparator == 0 ? comparator_flag::invert0 : comparator_flag::invert1;
        if (!(active_.comparator_flags & enable))
            continue;
        bool above = jig_.ad12_level(comparator * 2 + 1) > jig_.ad12_level(comparator * 2);
        if (above != bool(active_.comparator_flags & invert))
            outputs |= uint8_t(1u << comparator);
    }
    return outputs;
}

uint8_t comparator_latches::trigger_signals() const
{
    return uint8_t((io_.inputs() & 0x3F) | comparator_outputs() << 6);
}

uint16_t comparator_latches::latch_word(unsigned latch) const
{
    return latch < ad_latches ? active_.ad_latch[latch] : active_.comparator_latch[latch - ad_latches];
}

void comparator_latches::tick()
{
    uint8_t signals = trigger_signals();
    uint8_t changed = signals ^ last_signals_;
    last_signals_ = signals;
    if (!changed)
        return;
    for (unsigned latch = 0; latch < latch_count; ++latch) {
        uint16_t word = latch_word(latch);
        unsigned source = (word >> 4) & 7;
        if (!(word & latch_enable) || !(changed & (1u << source)))
            continue;
        bool now_high = signals & (1u << source);
        bool wanted = (word & latch_falling_edge) ? !now_high : now_high;
        if (wanted && !((word & latch_once) && captured_[latch]))
            capture(latch);
    }
}

void comparator_latches::capture(unsigned latch)
{
    latched_[latch] = latch < ad_latches ? jig_.sample_ad24(latch) : jig_.sample_ad12(latch - ad_latches);
    captured_[latch] = true;
}

void comparator_latches::reset(object_dictionary& dictionary)
{
    latched_.fill(0);
    captured_.fill(false);
    last_signals_ = trigger_signals();
    for (unsigned latch = 0; latch < latch_count; ++latch)
        set_number(dictionary, configuration_object(latch), latch_word(latch));
}

} // namespace sim::cards
