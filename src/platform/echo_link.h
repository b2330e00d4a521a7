#pragma once
#include <array>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>

#include "platform/frame_link.h"

namespace platform {

// A wire with no slaves on it: every frame comes back unchanged, but for the
// locally administered bit that a slave controller sets in the source MAC.
// Holds a fixed number of frames and allocates nothing while it runs.
class echo_link : public frame_link {
public:
    int send(const uint8_t* frame, size_t length) override
    {
        std::lock_guard lock(mutex_);
        if (length > frame_capacity || count_ == slots)
            return -1;
        slot& target = ring_[(first_ + count_) % slots];
        std::memcpy(target.bytes.data(), frame, length);
        if (length > 6)
            target.bytes[6] |= 0x02;
        target.length = length;
        ++count_;
        ++frames_sent_;
        arrived_.notify_one();
        return 0;
    }

    int receive(uint8_t* buffer, size_t capacity, int timeout_us) override
    {
        std::unique_lock lock(mutex_);
        if (!arrived_.wait_for(lock, std::chrono::microseconds(timeout_us > 0 ? timeout_us : 0),
                               [this] { return count_ > 0; }))
            return 0;
        slot& source = ring_[first_];
        size_t length = source.length < capacity ? source.length : capacity;
        std::memcpy(buffer, source.bytes.data(), length);
        first_ = (first_ + 1) % slots;
        --count_;
        return static_cast<int>(length);
    }

    size_t frames_sent()
    {
        std::lock_guard lock(mutex_);
        return frames_sent_;
    }

private:
    static constexpr size_t frame_capacity = 1514;
    static constexpr size_t slots = 64;
    struct slot {
        std::array<uint8_t, frame_capacity> bytes{};
        size_t length = 0;
    };
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::array<slot, slots> ring_{};
    size_t first_ = 0;
    size_t count_ = 0;
    size_t frames_sent_ = 0;
};

} // namespace platform
