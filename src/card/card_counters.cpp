#include "card/card_counters.h"

namespace card {

mailbox_counters& card_counters::of(uint16_t position)
{
    std::lock_guard lock(lock_);
    return cards_[position]; // a map keeps its elements in place
}

} // namespace card
