#pragma once
#include <cstdint>

#include "sim/cards/card_hooks.h"

namespace sim::cards {

// The encoder and the pulse counter on the jig: a shaft turning at a steady speed and a
// steady pulse train, both moving with the frames that reach the card, so that a run
// replays exactly. Writing 0 and then 0xFFFF to "clear counters" clears both.
class motion_counters {
public:
    static constexpr int32_t encoder_counts_per_frame = 3;
    static constexpr int32_t counter_pulses_per_frame = 1;

    // encoder_flag: the configuration word whose bit 0 enables the encoder, or null when it
    // always counts; has_encoder / has_counter: whether the card has the encoder and the counter
    motion_counters(const uint16_t* encoder_flag, bool has_encoder, bool has_counter)
        : encoder_flag_(encoder_flag),
          has_encoder_(has_encoder),
          has_counter_(has_counter)
    {
    }

    void install(card_hooks& hooks);
    void tick();
    void reset(object_dictionary& dictionary);

private:
    const uint16_t* encoder_flag_;
    bool has_encoder_;
    bool has_counter_;
    uint32_t encoder_ = 0;
    uint32_t counter_ = 0;
    uint16_t clear_word_ = 0xFFFF;
};

} // namespace sim::cards
