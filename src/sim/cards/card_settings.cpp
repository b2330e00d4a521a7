#include "sim/cards/card_settings.h"

#include "sim/cards/card_aborts.h"

namespace sim::cards {

namespace {
constexpr uint16_t highest_rate_code = 22;
} // namespace

void card_settings::install(card_hooks& hooks)
{
    auto show = [&hooks](uint16_t index, uint8_t sub, const uint16_t& word) {
        hooks.on_read(index, sub, [index, sub, &word](object_dictionary& d) {
            d.set_number(index, sub, word);
            return uint32_t(0);
        });
    };
    show(0x3029, 1, active_.ad_mode);
    show(0x3029, 2, active_.rate_code);
    show(0x3031, 0, active_.comparator_flags);
    show(0x3034, 0, active_.encoder_flag);

    hooks.on_write(0x6001, 2, [](object_dictionary&, const std::vector<uint8_t>& data) {
        return incoming_number(data) > highest_rate_code ? card_abort::value_too_high : 0;
    });
    hooks.on_write(0x6100, 0, [this](object_dictionary& d, const std::vector<uint8_t>& data) {
        if (incoming_number(data) != save_command)
            return card_abort::value_range_exceeded;
        save(d);
        return uint32_t(0);
    });
    hooks.on_write(0x6000, 0, [this](object_dictionary& d, const std::vector<uint8_t>& data) {
        if (incoming_number(data) != restart_command)
            return card_abort::value_range_exceeded;
        restart_(d);
        return uint32_t(0);
    });
}

void card_settings::save(object_dictionary& d)
{
    flash_.ad_mode = uint16_t(d.number(0x6001, 1));
    flash_.rate_code = uint16_t(d.number(0x6001, 2));
    flash_.encoder_flag = uint16_t(d.number(0x6003, 0));
    flash_.comparator_flags = uint16_t(d.number(0x6005, 0));
    // the latch words are saved as they run
    flash_.ad_latch = active_.ad_latch;
    flash_.comparator_latch = active_.comparator_latch;
}

void card_settings::load_flash(object_dictionary& d)
{
    active_ = flash_;
    d.set_number(0x6001, 1, flash_.ad_mode);
    d.set_number(0x6001, 2, flash_.rate_code);
    d.set_number(0x6003, 0, flash_.encoder_flag);
    d.set_number(0x6005, 0, flash_.comparator_flags);
}

} // namespace sim::cards
