#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace page_logic {

// When the bytes a PC serial port received are shown: after one display tick (20 ms) in
// which nothing arrived, or at once whenever the buffer is full, so that a stream without
// pauses is shown in buffer-sized pieces and nothing is dropped.
class display_buffer {
public:
    static constexpr size_t capacity = 4096;

    // Bytes as they arrive; returns those to show now because the buffer filled (a multiple
    // of capacity, empty most of the time).
    std::vector<uint8_t> add(const uint8_t* bytes, size_t length);
    // One display tick; returns the bytes to show when none arrived since the last tick.
    std::vector<uint8_t> tick();
    // Everything waiting, e.g. when the port closes.
    std::vector<uint8_t> take_all();
    void clear();

private:
    std::vector<uint8_t> buffer_;
    size_t count_at_last_tick_ = 0;
};

} // namespace page_logic
