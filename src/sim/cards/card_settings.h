#pragma once
#include <functional>

#include "protocol/settings.h"
#include "sim/cards/card_config.h"
#include "sim/cards/card_hooks.h"

namespace sim::cards {

// The configuration words of a card: the running configuration (AD mode and data rate,
// comparator and encoder configuration, the latch words), the words staged for the next
// start (protocol::settings), and the flash that "save" fills and a restart loads. What was
// not saved is gone after a restart.
class card_settings {
public:
    static constexpr uint16_t save_command = protocol::settings::save_command;
    static constexpr uint16_t restart_command = protocol::settings::restart_command;

    // restart runs the whole card's restart, which calls load_flash among other things
    card_settings(card_config& active, std::function<void(object_dictionary&)> restart)
        : active_(active),
          restart_(std::move(restart))
    {
    }

    void install(card_hooks& hooks);
    // The running and the staged words become those of the flash.
    void load_flash(object_dictionary& dictionary);

private:
    void save(object_dictionary& dictionary);

    card_config& active_;
    card_config flash_;
    std::function<void(object_dictionary&)> restart_;
};

} // namespace sim::cards
