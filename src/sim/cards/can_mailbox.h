#pragma once
#include <array>
#include <cstdint>
#include <deque>
#include <optional>

#include "sim/cards/card_fault_set.h"
#include "sim/cards/card_hooks.h"

namespace sim::cards {

// The CAN mailbox of the card (protocol/can.h). A new send trigger sends the frame prepared
// in the send objects; the jig's second node echoes every frame it receives back to the
// card. A new receive request presents the oldest waiting frame in the received objects;
// "frames waiting" counts them.
class can_mailbox {
public:
    static constexpr size_t queue_limit = 64;
    static constexpr uint32_t highest_identifier = 0x1FFFFFFF; // 29-bit extended

    struct frame {
        uint32_t identifier = 0;
        uint16_t length = 0;
        uint16_t format = 0; // 0 classic, 1 FD
        uint16_t type = 0;   // 0 data, 1 remote
        std::array<uint8_t, 64> data{};
    };

    explicit can_mailbox(const card_fault_set& faults) : faults_(faults) { }

    void install(card_hooks& hooks);

    size_t waiting() const { return queue_.size(); }
    // Frames the second node sent that found the queue full.
    unsigned lost() const { return lost_; }
    // A frame arriving from the bus.
    void deliver(const frame& f);

private:
    static bool valid(const frame& f);
    uint32_t send(object_dictionary& d, uint16_t trigger);
    void present(object_dictionary& d, uint16_t request);

    const card_fault_set& faults_;
    std::optional<uint16_t> last_trigger_;
    std::optional<uint16_t> last_request_;
    uint16_t frames_sent_ = 0;
    std::deque<frame> queue_;
    unsigned lost_ = 0;
};

} // namespace sim::cards
