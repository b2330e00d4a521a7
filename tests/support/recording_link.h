#pragma once
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

#include "platform/frame_link.h"

namespace testsupport {

// A wire that keeps every frame sent and hands back the replies a test scripts.
class recording_link : public platform::frame_link {
public:
    int send(const uint8_t* frame, size_t length) override
    {
        std::lock_guard lock(mutex_);
        sent_.emplace_back(frame, frame + length);
        return 0;
    }

    int receive(uint8_t* buffer, size_t capacity, int) override
    {
        std::lock_guard lock(mutex_);
        if (replies_.empty())
            return 0;
        std::vector<uint8_t> reply = std::move(replies_.front());
        replies_.pop_front();
        size_t length = reply.size() < capacity ? reply.size() : capacity;
        std::copy(reply.begin(), reply.begin() + static_cast<long>(length), buffer);
        return static_cast<int>(length);
    }

    void add_reply(std::vector<uint8_t> frame)
    {
        std::lock_guard lock(mutex_);
        replies_.push_back(std::move(frame));
    }

    std::vector<std::vector<uint8_t>> sent()
    {
        std::lock_guard lock(mutex_);
        return {sent_.begin(), sent_.end()};
    }

private:
    std::mutex mutex_;
    std::deque<std::vector<uint8_t>> sent_;
    std::deque<std::vector<uint8_t>> replies_;
};

} // namespace testsupport
