#include "sim/cards/card_settings.h"

#include "protocol/analog.h"
#include "protocol/counter.h"
#include "protocol/latch.h"
#include "protocol/settings.h"
#include "sim/cards/card_aborts.h"

namespace sim::cards {

namespace settings = protocol::settings;

namespace {
constexpr uint16_t highest_rate_code = 22;
} // namespace

void card_settings::install(card_hooks& hooks)
{
    auto show = [&hooks](const protocol::object& object, const uint16_t& word) {
        hooks.on_read(object, [object, &word](object_dictionary& d) {
            set_number(d, object, word);
            return uint32_t(0);
        });
    };
    show(protocol::analog::ad_mode, active_.ad_mode);
    show(protocol::analog::ad_output_data_rate, active_.rate_code);
    show(protocol::latch::comparator_configuration, active_.comparator_flags);
    show(protocol::counter::encoder_configuration, active_.encoder_flag);

    hooks.on_write(settings::startup_ad_output_data_rate, [](object_dictionary&, const std::vector<uint8_t>& data) {
        return incoming_number(data) > highest_rate_code ? card_abort::value_too_high : 0;
    });
    hooks.on_write(settings::save_to_flash, [this](object_dictionary& d, const std::vector<uint8_t>& data) {
        if (incoming_number(data) != save_command)
            return card_abort::value_range_exceeded;
        save(d);
        return uint32_t(0);
    });
    hooks.on_write(settings::restart, [this](object_dictionary& d, const std::vector<uint8_t>& data) {
        if (incoming_number(data) != restart_command)
            return card_abort::value_range_exceeded;
        restart_(d);
        return uint32_t(0);
    });
}

void card_settings::save(object_dictionary& d)
{
    flash_.ad_mode = uint16_t(number(d, settings::startup_ad_mode));
    flash_.rate_code = uint16_t(number(d, settings::startup_ad_output_data_rate));
    flash_.encoder_flag = uint16_t(number(d, settings::startup_encoder_configuration));
    flash_.comparator_flags = uint16_t(number(d, settings::startup_comparator_configuration));
    // the latch words are saved as they run
    flash_.ad_latch = active_.ad_latch;
    flash_.comparator_latch = active_.comparator_latch;
}

void card_settings::load_flash(object_dictionary& d)
{
    active_ = flash_;
    set_number(d, settings::startup_ad_mode, flash_.ad_mode);
    set_number(d, settings::startup_ad_output_data_rate, flash_.rate_code);
    set_number(d, settings::startup_encoder_configuration, flash_.encoder_flag);
    set_number(d, settings::startup_comparator_configuration, flash_.comparator_flags);
}

} // namespace sim::cards
