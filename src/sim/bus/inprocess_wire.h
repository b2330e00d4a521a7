#pragma once
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/frame_link.h"
#include "sim/bus/bus.h"

namespace sim {

// A wire to a simulated bus inside this process. send() hands the frame to the bus at once;
// the frames coming back wait for receive(). Any thread may send, receive or change the
// bus's faults at the same time. A reply delay counts the frames sent on this wire.
class inprocess_wire : public platform::frame_link {
public:
    explicit inprocess_wire(std::shared_ptr<bus> segment);

    int send(const uint8_t* frame, size_t length) override;
    int receive(uint8_t* buffer, size_t capacity, int timeout_us) override;

    bus& segment() { return *bus_; }
    // Frames waiting to be received.
    size_t waiting() const;

private:
    std::shared_ptr<bus> bus_;
    mutable std::mutex mutex_;
    std::condition_variable arrived_;
    std::deque<std::vector<uint8_t>> incoming_;
};

} // namespace sim
