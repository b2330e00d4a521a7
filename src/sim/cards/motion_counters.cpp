#include "sim/cards/motion_counters.h"

#include "protocol/counter.h"

namespace sim::cards {

namespace counter = protocol::counter;

void motion_counters::install(card_hooks& hooks)
{
    if (has_encoder_)
        hooks.on_read(counter::encoder, [this](object_dictionary& d) {
            set_number(d, counter::encoder, encoder_);
            return uint32_t(0);
        });
    if (has_counter_)
        hooks.on_read(counter::counter, [this](object_dictionary& d) {
            set_number(d, counter::counter, counter_);
            return uint32_t(0);
        });
    hooks.on_write(counter::clear, [this](object_dictionary&, const std::vector<uint8_t>& data) {
        uint16_t word = uint16_t(incoming_number(data));
        if (clear_word_ == counter::clear_armed && word == counter::clear_now)
            encoder_ = counter_ = 0;
        clear_word_ = word;
        return uint32_t(0);
    });
}

void motion_counters::tick()
{
    if (has_encoder_ && (!encoder_flag_ || (*encoder_flag_ & 1)))
        encoder_ += uint32_t(encoder_counts_per_frame); // wraps like the card's 32-bit register
    counter_ += uint32_t(counter_pulses_per_frame);
}

void motion_counters::reset(object_dictionary& dictionary)
{
    encoder_ = counter_ = 0;
    clear_word_ = counter::clear_now;
    set_number(dictionary, counter::clear, clear_word_);
}

} // namespace sim::cards
