#include "sim/bus/inprocess_wire.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace sim {

namespace {
// the wire never hoards: a receiver that stopped reading loses the oldest frames
constexpr size_t max_waiting_frames = 1024;
} // namespace

inprocess_wire::inprocess_wire(std::shared_ptr<bus> segment) : bus_(std::move(segment)) { }

int inprocess_wire::send(const uint8_t* frame, size_t length)
{
    if (!frame)
        return -1;
    std::vector<std::vector<uint8_t>> replies = bus_->transmit(frame, length);
    if (replies.empty())
        return 0;
    {
        std::lock_guard lock(mutex_);
        for (std::vector<uint8_t>& reply : replies) {
            if (incoming_.size() >= max_waiting_frames)
                incoming_.pop_front();
            incoming_.push_back(std::move(reply));
        }
    }
    arrived_.notify_all();
    return 0;
}

int inprocess_wire::receive(uint8_t* buffer, size_t capacity, int timeout_us)
{
    std::unique_lock lock(mutex_);
    if (incoming_.empty() && timeout_us > 0)
        arrived_.wait_for(lock, std::chrono::microseconds(timeout_us), [this] { return !incoming_.empty(); });
    if (incoming_.empty())
        return 0;
    std::vector<uint8_t> frame = std::move(incoming_.front());
    incoming_.pop_front();
    size_t copied = std::min(capacity, frame.size());
    std::memcpy(buffer, frame.data(), copied);
    return int(copied);
}

size_t inprocess_wire::waiting() const
{
    std::lock_guard lock(mutex_);
    return incoming_.size();
}

} // namespace sim
