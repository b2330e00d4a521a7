#include "sim/cards/usart_mailbox.h"

#include "sim/cards/card_aborts.h"

namespace sim::cards {

void usart_mailbox::install(card_hooks& hooks)
{
    hooks.on_write(0x2600, 4, [](object_dictionary&, const std::vector<uint8_t>& data) {
        return incoming_number(data) > block_size ? card_abort::value_too_high : 0;
    });
    hooks.on_write(0x2600, 3, [this](object_dictionary& d, const std::vector<uint8_t>& data) {
        return send_block(d, uint16_t(incoming_number(data)));
    });
    hooks.on_write(0x2601, 2, [this](object_dictionary& d, const std::vector<uint8_t>& data) {
        bool busy = incoming_number(data) != 0;
        if (busy && presented_)
            host_took_block_ = true;
        if (!busy && host_busy_ && host_took_block_) {
            presented_ = host_took_block_ = false;
            d.set_number(0x2601, 1, 0);
        }
        host_busy_ = busy;
        return uint32_t(0);
    });
}

uint32_t usart_mailbox::send_block(object_dictionary& d, uint16_t trigger)
{
    if (last_trigger_ == trigger)
        return 0; // the same value again starts nothing
    if (port_.modbus_mode())
        return card_abort::device_state; // the Modbus master owns the line
    last_trigger_ = trigger;
    size_t length = d.number(0x2600, 4);
    uint8_t block[block_size];
    for (size_t i = 0; i < length; ++i)
        block[i] = uint8_t(d.number(0x2602, uint8_t(i / 4 + 1)) >> (8 * (i % 4)));
    port_.line().send(block, length);
    d.set_number(0x2600, 2, ++blocks_sent_);
    return 0;
}

void usart_mailbox::tick(object_dictionary& d)
{
    if (port_.modbus_mode())
        return;
    uint8_t arrived[256];
    while (size_t count = port_.line().receive(arrived, sizeof arrived))
        for (size_t i = 0; i < count && queue_.size() < queue_limit; ++i)
            queue_.push_back(arrived[i]);
    if (!presented_ && !host_busy_ && !queue_.empty())
        present(d);
}

void usart_mailbox::present(object_dictionary& d)
{
    size_t length = std::min(queue_.size(), block_size);
    uint8_t block[block_size] = {};
    for (size_t i = 0; i < length; ++i) {
        block[i] = queue_.front();
        queue_.pop_front();
    }
    for (uint8_t word = 0; word < block_size / 4; ++word)
        d.set_number(0x2603, uint8_t(word + 1), get32(block + 4 * word));
    d.set_number(0x2601, 4, length);
    d.set_number(0x2601, 3, ++block_number_);
    d.set_number(0x2601, 1, 1);
    presented_ = true;
}

} // namespace sim::cards
