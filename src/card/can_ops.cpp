// The card's CAN mailbox: sending a frame and fetching received ones.
#include <algorithm>
#include <tuple>
#include <utility>

#include "card/card_counters.h"
#include "card/card_ops.h"
#include "card/sdo_numbers.h"
#include "ecat/sdo_api.h"

namespace card {

namespace {
constexpr uint16_t classic_limit = 8;
constexpr uint16_t fd_limit = 64;
constexpr int larger_than_buffer = -139;
} // namespace

transfer_result can_send(ecat::master& m, uint16_t position, uint16_t type, uint32_t identifier, uint16_t length,
                         const uint8_t* data, uint16_t format)
{
    if (length > fd_limit)
        return {ecat::result::refused}; // the card's send buffer holds 64 bytes
    // limited before the length goes out, so the card is never told more than it sends
    if (format == 0)
        length = std::min(length, classic_limit);
    // a frame whose set-up or data did not arrive must not be triggered as if it had
    const std::pair<uint8_t, uint64_t> set_up[] = {{2, identifier}, {4, length}, {5, format}, {6, type}};
    for (auto [subindex, value] : set_up)
        if (transfer_result result = write_number(m, position, 0x2610, subindex, value, subindex == 2 ? 4 : 2);
            !result.ok())
            return result;
    for (uint16_t word = 0; word < (length + 3) / 4; ++word) {
        uint32_t value = 0;
        for (uint16_t i = 0; i < 4 && 4 * word + i < length; ++i)
            value |= uint32_t(data[4 * word + i]) << (8 * i);
        if (transfer_result result = write_number(m, position, 0x2612, uint8_t(word + 1), value, 4); !result.ok())
            return result;
    }
    uint16_t trigger = counters().can_tx.fetch_add(1);
    return write_number(m, position, 0x2610, 1, trigger, 2);
}

int can_pending(ecat::master& m, uint16_t position)
{
    uint64_t waiting = 0;
    if (upload_number(m, position, 0x2611, 3, 2, waiting) != 0)
        return 0;
    return int(waiting);
}

transfer_result can_receive(ecat::master& m, uint16_t position, can_frame& frame)
{
    frame = can_frame{};
    uint16_t request = counters().can_rx.fetch_add(1);
    if (transfer_result result = write_number(m, position, 0x2611, 1, request, 2); !result.ok())
        return result;
    uint64_t identifier = 0, length = 0, format = 0, type = 0;
    const std::tuple<uint8_t, size_t, uint64_t*> fields[] = {
        {2, 4, &identifier}, {4, 2, &length}, {5, 2, &format}, {6, 2, &type}};
    for (auto [subindex, size, value] : fields)
        if (transfer_result result = read_number(m, position, 0x2611, subindex, size, *value); !result.ok())
            return result;
    frame.identifier = uint32_t(identifier);
    frame.format = uint16_t(format);
    frame.type = uint16_t(type);
    frame.length = uint16_t(std::min<uint64_t>(length, fd_limit));
    // a read of more than 4 bytes is refused by the upload itself (-139)
    for (uint16_t word = 0; word < (frame.length + 3) / 4; ++word) {
        size_t got = 0;
        auto subindex = uint8_t(word + 1);
        if (int code = ecat::master_sdo_upload(m, position, 0x2613, subindex, frame.data + 4 * word, 4, &got, nullptr))
            return {code, 0x2613, subindex};
    }
    if (length > fd_limit)
        return {larger_than_buffer, 0x2611, 4}; // no CAN frame carries more: the presentation is broken
    return {};
}

} // namespace card
