#pragma once
#include <cstdint>
#include <string>

#include "ecat/result.h"

namespace card {

// The outcome of a card operation: code 0, or the error of its first failed transfer with
// the object that transfer addressed. A value refused before anything is sent is ecat::result::refused with
// no object (index 0).
struct [[nodiscard]] transfer_result {
    int code = 0;
    uint16_t index = 0;
    uint8_t subindex = 0;

    bool ok() const { return code == 0; }
};

// "0x2612:02 失败（failed）" for a failed transfer, "输入被拒绝" for a refused value, "" for success.
std::string failure_text(const transfer_result& result);

} // namespace card
