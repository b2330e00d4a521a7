#pragma once
#include <cstdint>
#include <optional>
#include <string_view>

namespace page_logic {

// The card's serial baud rate typed in the page: a decimal integer after optional blanks,
// read as far as it goes. Nothing when there is no positive number there.
std::optional<uint32_t> card_baud_from_text(std::u16string_view text);

} // namespace page_logic
