#include "sim/cards/usart_mailbox.h"

#include "protocol/usart.h"
#include "sim/cards/card_aborts.h"

namespace sim::cards {

namespace usart = protocol::usart;

void usart_mailbox::install(card_hooks& hooks)
{
    hooks.on_write(usart::send_length, [](object_dictionary&, const std::vector<uint8_t>& data) {
        return incoming_number(data) > block_size ? card_abort::value_too_high : 0;
    });
    hooks.on_write(usart::send_trigger, [this](object_dictionary& d, const std::vector<uint8_t>& data) {
        return send_block(d, uint16_t(incoming_number(data)));
    });
    hooks.on_write(usart::host_busy, [this](object_dictionary& d, const std::vector<uint8_t>& data) {
        bool busy = incoming_number(data) != 0;
        if (busy && presented_)
            host_took_block_ = true;
        if (!busy && host_busy_ && host_took_block_) {
            presented_ = host_took_block_ = false;
            set_number(d, usart::receive_available, 0);
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
    size_t length = number(d, usart::send_length);
    uint8_t block[block_size];
    for (size_t i = 0; i < length; ++i)
        block[i] = uint8_t(number(d, usart::send_data(int(i / 4))) >> (8 * (i % 4)));
    port_.line().send(block, length);
    set_number(d, usart::blocks_sent, ++blocks_sent_);
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
    for (int word = 0; word < usart::block_words; ++word)
        set_number(d, usart::received_data(word), get32(block + 4 * word));
    set_number(d, usart::received_block_length, length);
    set_number(d, usart::received_block_number, ++block_number_);
    set_number(d, usart::receive_available, 1);
    presented_ = true;
}

} // namespace sim::cards
