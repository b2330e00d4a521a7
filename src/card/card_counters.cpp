#include "card/card_counters.h"

namespace card {

mailbox_counters& card_counters::of(uint16_t position)
{
    std::lock_guard lock(lock_);
    return cards_[position]; // a map keeps its elements in place
}

void card_counters::reset()
{
    std::lock_guard lock(lock_);
    for (auto& [position, c] : cards_) {
        c.usart_tx = 0;
        c.usart_rx_sequence = 0xFFFF;
        c.can_tx = 0xFFFF;
        c.can_rx = 0xFFFF;
    }
}

} // namespace card
