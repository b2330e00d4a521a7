#include "card/card_counters.h"

#include "card/card_ops.h"

namespace card {

card_counters& counters()
{
    static card_counters process_wide;
    return process_wide;
}

void reset_card_counters()
{
    card_counters& c = counters();
    c.usart_tx = 0;
    c.usart_rx_sequence = 0xFFFF;
    c.can_tx = 0xFFFF;
    c.can_rx = 0xFFFF;
}

} // namespace card
