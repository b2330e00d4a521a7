#pragma once
#include <cstddef>
#include <cstdint>

namespace sim::cards {

// The card's serial line as the card's UART sees it: what it sends goes to whatever is at
// the far end, and what the far end sends waits until the card takes it.
class serial_line {
public:
    virtual ~serial_line() = default;
    virtual void send(const uint8_t* data, size_t length) = 0;
    // Takes at most room bytes that have arrived; returns how many.
    virtual size_t receive(uint8_t* out, size_t room) = 0;
};

} // namespace sim::cards
