#pragma once
#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>

namespace card {

// The mailbox counters of one card. Each is touched by one side only (the sender or the
// poll worker, which may change threads); atomic so that the next one sees the last value.
struct mailbox_counters {
    std::atomic<uint16_t> usart_tx{0};               // next serial send trigger
    std::atomic<uint16_t> usart_rx_sequence{0xFFFF}; // last serial block number delivered
    std::atomic<uint16_t> can_tx{0xFFFF};            // next CAN send trigger
    std::atomic<uint16_t> can_rx{0xFFFF};            // next CAN receive request
};

// The counters of every card on the bus, by ring position: a card's block numbers and
// triggers run on their own, so another card's last number never hides a new block.
class card_counters {
public:
    // Made at start values on first use; the reference stays valid for the object's life.
    mailbox_counters& of(uint16_t position);

private:
    std::mutex lock_;
    std::map<uint16_t, mailbox_counters> cards_;
};

} // namespace card
