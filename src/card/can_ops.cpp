// The card's CAN port: bit rates, sending a frame and fetching received ones.
#include <algorithm>
#include <utility>

#include "card/card_ops.h"
#include "card/sdo_numbers.h"
#include "protocol/can.h"

namespace card {

namespace can = protocol::can;

namespace {
constexpr uint16_t classic_limit = 8;
constexpr uint16_t fd_limit = 64;
constexpr int larger_than_buffer = -139;
} // namespace

transfer_result write_can_bit_rates(ecat::master& m, uint16_t position, uint32_t nominal, uint32_t data)
{
    if (transfer_result result = write_object(m, position, can::nominal_bit_rate, nominal); !result.ok())
        return result;
    return write_object(m, position, can::data_bit_rate, data);
}

transfer_result can_send(ecat::master& m, uint16_t position, card_counters& counters, uint16_t type,
                         uint32_t identifier, uint16_t length, const uint8_t* data, uint16_t format)
{
    if (length > fd_limit)
        return {ecat::result::refused}; // the card's send buffer holds 64 bytes
    // limited before the length goes out, so the card is never told more than it sends
    if (format == 0)
        length = std::min(length, classic_limit);
    // a frame whose set-up or data did not arrive must not be triggered as if it had
    const std::pair<protocol::object, uint64_t> set_up[] = {{can::send_identifier, identifier},
                                                            {can::send_length, length},
                                                            {can::send_format, format},
                                                            {can::send_type, type}};
    for (const auto& [object, value] : set_up)
        if (transfer_result result = write_object(m, position, object, value); !result.ok())
            return result;
    for (int word = 0; word < (length + 3) / 4; ++word) {
        uint32_t value = 0;
        for (int i = 0; i < 4 && 4 * word + i < length; ++i)
            value |= uint32_t(data[4 * word + i]) << (8 * i);
        if (transfer_result result = write_object(m, position, can::send_data(word), value); !result.ok())
            return result;
    }
    uint16_t trigger = counters.of(position).can_tx.fetch_add(1);
    return write_object(m, position, can::send_trigger, trigger);
}

int can_pending(ecat::master& m, uint16_t position)
{
    uint64_t waiting = 0;
    if (!read_object(m, position, can::frames_waiting, waiting).ok())
        return 0;
    return int(waiting);
}

transfer_result can_receive(ecat::master& m, uint16_t position, card_counters& counters, can_frame& frame)
{
    frame = can_frame{};
    uint16_t request = counters.of(position).can_rx.fetch_add(1);
    if (transfer_result result = write_object(m, position, can::receive_request, request); !result.ok())
        return result;
    uint64_t identifier = 0, length = 0, format = 0, type = 0;
    const std::pair<protocol::object, uint64_t*> fields[] = {{can::received_identifier, &identifier},
                                                             {can::received_length, &length},
                                                             {can::received_format, &format},
                                                             {can::received_type, &type}};
    for (const auto& [object, value] : fields)
        if (transfer_result result = read_object(m, position, object, *value); !result.ok())
            return result;
    frame.identifier = uint32_t(identifier);
    frame.format = uint16_t(format);
    frame.type = uint16_t(type);
    frame.length = uint16_t(std::min<uint64_t>(length, fd_limit));
    // a read of more than 4 bytes is refused by the upload itself (-139)
    for (int word = 0; word < (frame.length + 3) / 4; ++word) {
        size_t got = 0;
        if (transfer_result result =
                read_object_bytes(m, position, can::received_data(word), frame.data + 4 * word, got);
            !result.ok())
            return result;
    }
    if (length > fd_limit)
        return {larger_than_buffer, can::received_length.index,
                can::received_length.subindex}; // no CAN frame carries more
    return {};
}

} // namespace card
