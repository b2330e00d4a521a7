// The card's CAN mailbox: sending a frame and fetching received ones.
#include <algorithm>

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

int can_send(ecat::master& m, uint16_t position, uint16_t type, uint32_t identifier, uint16_t length,
             const uint8_t* data, uint16_t format)
{
    if (length > fd_limit)
        return -1; // the card's send buffer holds 64 bytes
    // limited before the length goes out, so the card is never told more than it sends
    if (format == 0)
        length = std::min(length, classic_limit);
    download_number(m, position, 0x2610, 2, identifier, 4);
    download_number(m, position, 0x2610, 4, length, 2);
    download_number(m, position, 0x2610, 5, format, 2);
    download_number(m, position, 0x2610, 6, type, 2);
    for (uint16_t word = 0; word < (length + 3) / 4; ++word) {
        uint32_t value = 0;
        for (uint16_t i = 0; i < 4 && 4 * word + i < length; ++i)
            value |= uint32_t(data[4 * word + i]) << (8 * i);
        download_number(m, position, 0x2612, uint8_t(word + 1), value, 4);
    }
    uint16_t trigger = counters().can_tx.fetch_add(1);
    return download_number(m, position, 0x2610, 1, trigger, 2);
}

int can_pending(ecat::master& m, uint16_t position)
{
    uint64_t waiting = 0;
    if (upload_number(m, position, 0x2611, 3, 2, waiting) != 0)
        return 0;
    return int(waiting);
}

int can_receive(ecat::master& m, uint16_t position, can_frame& frame)
{
    uint16_t request = counters().can_rx.fetch_add(1);
    download_number(m, position, 0x2611, 1, request, 2);
    uint64_t identifier = 0, length = 0, format = 0, type = 0;
    upload_number(m, position, 0x2611, 2, 4, identifier);
    upload_number(m, position, 0x2611, 4, 2, length);
    upload_number(m, position, 0x2611, 5, 2, format);
    int result = upload_number(m, position, 0x2611, 6, 2, type);
    frame = can_frame{};
    frame.identifier = uint32_t(identifier);
    frame.format = uint16_t(format);
    frame.type = uint16_t(type);
    frame.length = uint16_t(std::min<uint64_t>(length, fd_limit));
    // a read of more than 4 bytes is refused by the upload itself (-139)
    for (uint16_t word = 0; word < (frame.length + 3) / 4; ++word) {
        size_t got = 0;
        result =
            ecat::master_sdo_upload(m, position, 0x2613, uint8_t(word + 1), frame.data + 4 * word, 4, &got, nullptr);
    }
    if (length > fd_limit)
        return larger_than_buffer; // no CAN frame carries more: the presentation is broken
    return result;
}

} // namespace card
