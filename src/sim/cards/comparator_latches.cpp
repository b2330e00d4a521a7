#include "sim/cards/comparator_latches.h"

namespace sim::cards {

namespace {
constexpr uint16_t latch_enable = 0x0001;
constexpr uint16_t latch_falling_edge = 0x0002;
constexpr uint16_t latch_once = 0x0004;
} // namespace

void comparator_latches::install(card_hooks& hooks)
{
    for (uint8_t comparator = 0; comparator < 2; ++comparator)
        hooks.on_read(0x3030, uint8_t(comparator + 1), [this, comparator](object_dictionary& d) {
            d.set_number(0x3030, uint8_t(comparator + 1), (comparator_outputs() >> comparator) & 1);
            return uint32_t(0);
        });
    hooks.on_read(0x3033, 0, [this](object_dictionary& d) {
        d.set_number(0x3033, 0, comparator_outputs());
        return uint32_t(0);
    });
    for (unsigned latch = 0; latch < latch_count; ++latch) {
        bool ad = latch < ad_latches;
        uint16_t config_index = ad ? 0x3036 : 0x3038;
        uint16_t value_index = ad ? 0x3037 : 0x3039;
        uint8_t sub = uint8_t(ad ? latch + 1 : latch - ad_latches + 1);
        hooks.on_write(config_index, sub, [this, latch, ad](object_dictionary&, const std::vector<uint8_t>& data) {
            uint16_t word = uint16_t(incoming_number(data));
            if (ad)
                active_.ad_latch[latch] = word;
            else
                active_.comparator_latch[latch - ad_latches] = word;
            captured_[latch] = false; // a new configuration arms a latch-once again
            return uint32_t(0);
        });
        hooks.on_read(value_index, sub, [this, latch, value_index, sub](object_dictionary& d) {
            d.set_number(value_index, sub, latched_[latch]);
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
    for (unsigned latch = 0; latch < latch_count; ++latch) {
        bool ad = latch < ad_latches;
        dictionary.set_number(ad ? 0x3036 : 0x3038, uint8_t(ad ? latch + 1 : latch - ad_latches + 1),
                              latch_word(latch));
    }
}

} // namespace sim::cards
