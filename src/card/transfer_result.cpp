#include "card/transfer_result.h"

#include <cstdio>

#include "ecat/result.h"

namespace card {

std::string failure_text(const transfer_result& result)
{
    if (result.ok())
        return {};
    if (result.index == 0)
        return "输入被拒绝";
    char text[96];
    std::snprintf(text, sizeof text, "0x%04X:%02X 失败（%d %s）", result.index, result.subindex, result.code,
                  ecat::result::name(result.code));
    return text;
}

} // namespace card
