#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "pages/logic/settings_config.h"

namespace page_logic {

// A card object, index:subindex.
struct object_address {
    uint16_t index = 0;
    uint8_t subindex = 0;
    bool operator==(const object_address&) const = default;
};

// "0x3031:00"
std::string object_text(object_address object);

// One 16-bit object transfer with the card; false when it failed.
using word_reader = std::function<bool(object_address object, uint16_t& value)>;
using word_writer = std::function<bool(object_address object, uint16_t value)>;

// The object whose transfer failed, or nothing when every transfer succeeded.
using transfer_failure = std::optional<object_address>;

// Reads AD mode and output data rate, comparator and encoder configuration, the 16 AD latch
// and the 4 comparator latch configurations in this order (protocol/*.h); stops at the first
// failure, and config is changed only when all succeeded.
transfer_failure read_settings(const word_reader& read, settings_config& config);

// Writes the start-up AD mode and data rate, comparator and encoder configuration
// (protocol::settings), the latch configurations, then the save-to-flash command. Stops at
// the first failure: a configuration written in part is never committed.
transfer_failure save_settings(const word_writer& write, const settings_config& config);

// The restart command.
transfer_failure restart_card(const word_writer& write);

} // namespace page_logic
