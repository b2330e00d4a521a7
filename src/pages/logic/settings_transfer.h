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

// Reads 0x3029:01/02, 0x3031:00, 0x3034:00, 0x3036:01 … 0x3036:10 and 0x3038:01 … 0x3038:04
// in this order; stops at the first failure, and config is changed only when all succeeded.
transfer_failure read_settings(const word_reader& read, settings_config& config);

// Writes the configuration to 0x6001:01/02, 0x6005:00, 0x6003:00, the latch words to
// 0x3036 and 0x3038, then commits it to flash with 0x6100:00 := 10. Stops at the first
// failure: a configuration written in part is never committed.
transfer_failure save_settings(const word_writer& write, const settings_config& config);

// 0x6000:00 := 255.
transfer_failure restart_card(const word_writer& write);

} // namespace page_logic
