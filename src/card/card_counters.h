#pragma once
#include <atomic>
#include <cstdint>

namespace card {

// The process-wide counters of the card mailboxes; each is touched by one side only (the
// sender or the poll worker), atomic so that a test or a new master may reset them.
struct card_counters {
    std::atomic<uint16_t> usart_tx{0};               // next serial send trigger
    std::atomic<uint16_t> usart_rx_sequence{0xFFFF}; // last serial block number delivered
    std::atomic<uint16_t> can_tx{0xFFFF};            // next CAN send trigger
    std::atomic<uint16_t> can_rx{0xFFFF};            // next CAN receive request
};

card_counters& counters();

} // namespace card
