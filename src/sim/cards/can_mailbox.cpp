#include "sim/cards/can_mailbox.h"

#include <algorithm>

#include "protocol/can.h"
#include "sim/cards/card_aborts.h"

namespace sim::cards {

namespace can = protocol::can;

namespace {

constexpr uint64_t lowest_bit_rate = 10'000;
constexpr uint64_t highest_nominal_bit_rate = 1'000'000;
constexpr uint64_t highest_data_bit_rate = 8'000'000;
constexpr uint16_t fd_sizes[] = {12, 16, 20, 24, 32, 48, 64};

write_hook bit_rate_up_to(uint64_t highest)
{
    return [highest](object_dictionary&, const std::vector<uint8_t>& data) {
        uint64_t rate = incoming_number(data);
        return rate < lowest_bit_rate || rate > highest ? card_abort::value_range_exceeded : 0;
    };
}

} // namespace

void can_mailbox::install(card_hooks& hooks)
{
    hooks.on_write(can::nominal_bit_rate, bit_rate_up_to(highest_nominal_bit_rate));
    hooks.on_write(can::data_bit_rate, bit_rate_up_to(highest_data_bit_rate));
    hooks.on_write(can::send_trigger, [this](object_dictionary& d, const std::vector<uint8_t>& data) {
        return send(d, uint16_t(incoming_number(data)));
    });
    hooks.on_write(can::receive_request, [this](object_dictionary& d, const std::vector<uint8_t>& data) {
        present(d, uint16_t(incoming_number(data)));
        return uint32_t(0);
    });
    hooks.on_read(can::frames_waiting, [this](object_dictionary& d) {
        set_number(d, can::frames_waiting, queue_.size());
        return uint32_t(0);
    });
}

bool can_mailbox::valid(const frame& f)
{
    if (f.identifier > highest_identifier || f.format > 1 || f.type > 1)
        return false;
    if (f.format == 0)
        return f.length <= 8;
    // CAN FD has no remote frames and only these payload sizes above 8
    return f.type == 0 && (f.length <= 8 || std::count(std::begin(fd_sizes), std::end(fd_sizes), f.length));
}

uint32_t can_mailbox::send(object_dictionary& d, uint16_t trigger)
{
    if (last_trigger_ == trigger)
        return 0; // the same value again sends nothing
    frame f;
    f.identifier = uint32_t(number(d, can::send_identifier));
    f.length = uint16_t(number(d, can::send_length));
    f.format = uint16_t(number(d, can::send_format));
    f.type = uint16_t(number(d, can::send_type));
    if (!valid(f))
        return card_abort::value_range_exceeded;
    last_trigger_ = trigger;
    if (f.type == 0)
        for (uint16_t i = 0; i < f.length; ++i)
            f.data[i] = uint8_t(number(d, can::send_data(i / 4)) >> (8 * (i % 4)));
    set_number(d, can::frames_sent, ++frames_sent_);
    if (faults_.answers(jig_peer::can_echo))
        deliver(f); // the jig's second node sends it straight back
    return 0;
}

void can_mailbox::deliver(const frame& f)
{
    if (queue_.size() >= queue_limit) {
        ++lost_;
        return;
    }
    queue_.push_back(f);
}

void can_mailbox::present(object_dictionary& d, uint16_t request)
{
    if (last_request_ == request)
        return;
    last_request_ = request;
    frame f; // with nothing waiting the card presents an empty frame
    if (!queue_.empty()) {
        f = queue_.front();
        queue_.pop_front();
    }
    set_number(d, can::received_identifier, f.identifier);
    set_number(d, can::received_length, f.length);
    set_number(d, can::received_format, f.format);
    set_number(d, can::received_type, f.type);
    for (int word = 0; word < can::data_words; ++word)
        set_number(d, can::received_data(word), get32(f.data.data() + 4 * word));
}

} // namespace sim::cards
