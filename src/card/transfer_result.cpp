#include "card/transfer_result.h"

#include <cstdio>

namespace card {

std::string failure_text(const transfer_result& result)
{
    if (result.ok())
        return {};
    if (result.index == 0)
        return "输入被拒绝";
    char object[24];
    std::snprintf(object, sizeof object, "0x%04X:%02X 失败：", result.index, result.subindex);
    return object + ecat::describe(result.code);
}

} // namespace card
