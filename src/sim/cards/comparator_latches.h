#pragma once
#include <array>
#include <cstdint>

#include "protocol/latch.h"
#include "sim/cards/analog_jig.h"

namespace sim::cards {

// The two comparators and the twenty latches of a card with 24-bit AD inputs. A latch
// captures its input (AD0..AD15, then CMP0N, CMP0P, CMP1N, CMP1P) on an edge of its trigger
// source: IN0..IN5, comparator 0 or comparator 1.
class comparator_latches {
public:
    comparator_latches(const card_io& io, card_config& active, analog_jig& jig)
        : io_(io),
          active_(active),
          jig_(jig) { }

    // comparator states and outputs, latch configurations and latched values (protocol/latch.h)
    void install(card_hooks& hooks);
    // Looks at the trigger sources once; called for every frame.
    void tick();
    // Forgets every capture (a restart).
    void reset(object_dictionary& dictionary);

    // bit 0 comparator 0, bit 1 comparator 1
    uint8_t comparator_outputs() const;

private:
    static constexpr unsigned ad_latches = protocol::latch::ad_latch_count;
    static constexpr unsigned latch_count = ad_latches + protocol::latch::comparator_latch_count;

    uint8_t trigger_signals() const;
    uint16_t latch_word(unsigned latch) const;
    void capture(unsigned latch);

    const card_io& io_;
    card_config& active_;
    analog_jig& jig_;
    std::array<uint32_t, latch_count> latched_{};
    std::array<bool, latch_count> captured_{};
    uint8_t last_signals_ = 0;
};

} // namespace sim::cards
