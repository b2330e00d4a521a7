#pragma once
#include <cstring>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "ecat/master.h"
#include "support/master_test_access.h"

namespace testsupport {

// A master whose device keeps the frames it sends, for tests that drive the
// queue, the frame assembly and the parser by hand (no cycle runs).
class master_fixture : public ::testing::Test {
protected:
    static constexpr uint8_t own_mac[6] = {0x00, 0x1B, 0x21, 0x00, 0x00, 0x01};

    void SetUp() override
    {
        current = this;
        ASSERT_EQ(ecat::master_init(inside(*m), 0, own_mac), 0);
        std::memcpy(descriptor.mac, own_mac, 6);
        descriptor.send = [](const ecat::frame_view& frame, ecat::net_device&) {
            current->frames.emplace_back(frame.data, frame.data + frame.length);
            current->buffers_used.push_back(frame.data);
            return 0;
        };
        ASSERT_NE(ecat::master_attach_device(inside(*m), descriptor), nullptr);
    }

    void TearDown() override { ecat::master_clear(inside(*m)); }

    // Answers a sent frame as slaves would, with the given counter for every
    // datagram and, for reads, the given fill byte as data.
    std::vector<uint8_t> answer(const std::vector<uint8_t>& frame, uint16_t working_counter, uint8_t fill)
    {
        std::vector<uint8_t> reply(frame.begin() + 14, frame.end());
        size_t offset = 2;
        for (;;) {
            uint16_t length_word = ecat::read_u16(&reply[offset + 6]);
            size_t size = length_word & 0x07FF;
            std::memset(&reply[offset + 10], fill, size);
            ecat::write_u16(&reply[offset + 10 + size], working_counter);
            offset += 12 + size;
            if (!(length_word & 0x8000))
                break;
        }
        return reply;
    }

    std::unique_ptr<ecat::master> m = std::make_unique<ecat::master>();
    ecat::net_device descriptor;
    std::vector<std::vector<uint8_t>> frames;
    std::vector<const uint8_t*> buffers_used;

    static inline master_fixture* current = nullptr;
};

} // namespace testsupport
