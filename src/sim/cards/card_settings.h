#pragma once
#include <functional>

#include "sim/cards/card_config.h"
#include "sim/cards/card_hooks.h"

namespace sim::cards {

// The configuration words of a card: the running configuration (0x3029, 0x3031, 0x3034,
// the latch words 0x3036/0x3038), the words staged for the next start (0x6001, 0x6003,
// 0x6005), and the flash that "save" (0x6100 := 10) fills and a restart (0x6000 := 255)
// loads. What was not saved is gone after a restart.
class card_settings {
public:
    static constexpr uint16_t save_command = 10;
    static constexpr uint16_t restart_command = 255;

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
