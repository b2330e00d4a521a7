// The AD converter's clock, and writes that must stop at the first refusal.
#include "card/card_ops.h"
#include "card/sdo_numbers.h"
#include "protocol/analog.h"

namespace card {

transfer_result write_in_order(ecat::master& m, uint16_t position, const std::vector<object_write>& writes)
{
    for (const object_write& w : writes)
        if (int code = download_number(m, position, w.index, w.subindex, w.value, w.size))
            return {code, w.index, w.subindex};
    return {};
}

ad_clock_fields read_ad_clock(ecat::master& m, uint16_t position)
{
    ad_clock_fields fields;
    for (int n = 0; n < protocol::analog::ad_clock_field_count; ++n) {
        uint8_t bytes[4] = {};
        size_t got = 0;
        const protocol::object field = protocol::analog::ad_clock_field(n);
        if (read_object_bytes(m, position, field, bytes, got).ok() && got == sizeof bytes)
            fields[size_t(n)] = int32_t(uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16
                                        | uint32_t(bytes[3]) << 24);
    }
    return fields;
}

} // namespace card
