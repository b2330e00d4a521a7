// Hundreds of thousands of random and mutated frames: the bus never crashes and answers
// exactly the well-formed ones.
#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "frame_builder.h"
#include "frame_rules.h"
#include "sdo_client.h"
#include "sim/description/generic_slaves.h"

using namespace simtest;

namespace {

// frames a master sends on a working bus, as seeds for mutation
std::vector<std::vector<uint8_t>> seed_frames()
{
    std::vector<uint8_t> sms = {0x00, 0x10, 128, 0, 0x26, 0, 1, 0, 0x80, 0x10, 128, 0, 0x22, 0, 1, 0};
    std::vector<uint8_t> upload = mailbox_message(sdo_request(0x40, 0x5001, 0));
    upload.resize(128);
    std::vector<uint8_t> download = mailbox_message(sdo_request(0x21, 0x5001, 0, le32(200)));
    download.resize(128, 0x3C);
    return {
        build_frame({physical(BRD, 0, 0x0130, {0, 0})}),
        build_frame({physical(APWR, 0, 0x0010, le16(0x1001)), physical(APWR, 0xFFFF, 0x0010, le16(0x1002))}),
        build_frame({physical(FPWR, 0x1001, 0x0800, sms), physical(FPWR, 0x1001, 0x0120, {0x02, 0x00})}),
        build_frame({physical(FPWR, 0x1001, 0x0502, {0x80, 0x01, 0x40, 0x00}),
                     physical(FPRD, 0x1001, 0x0502, std::vector<uint8_t>(10))}),
        build_frame(
            {physical(FPWR, 0x1001, 0x1000, upload), physical(FPRD, 0x1001, 0x1080, std::vector<uint8_t>(128))}),
        build_frame(
            {physical(FPWR, 0x1002, 0x1000, download), physical(FPRD, 0x1002, 0x0808, std::vector<uint8_t>(8))}),
        build_frame({logical(LRW, 0x10000, std::vector<uint8_t>(8)),
                     physical(FRMW, 0x1001, 0x0910, std::vector<uint8_t>(8)), physical(BWR, 0, 0x0900, {0})}),
    };
}

std::vector<uint8_t> random_frame(std::mt19937& rng)
{
    std::vector<uint8_t> frame(rng() % 1600);
    for (uint8_t& byte : frame)
        byte = uint8_t(rng());
    if (frame.size() >= 16 && rng() % 2) {
        frame[12] = 0x88;
        frame[13] = 0xA4;
        frame[15] = uint8_t((frame[15] & 0x07) | 0x10);
    }
    return frame;
}

std::vector<uint8_t> mutated_frame(std::mt19937& rng, const std::vector<std::vector<uint8_t>>& seeds)
{
    std::vector<uint8_t> frame = seeds[rng() % seeds.size()];
    for (unsigned n = 1 + rng() % 3; n > 0; --n) {
        switch (rng() % 5) {
        case 0: frame[rng() % frame.size()] ^= uint8_t(1u << (rng() % 8)); break;
        case 1: // a length field of the header or of the first datagram
            if (frame.size() > 23)
                frame[(rng() % 2 ? 14 : 22) + rng() % 2] = uint8_t(rng());
            break;
        case 2: frame.resize(rng() % (frame.size() + 1)); break;
        case 3: frame.resize(frame.size() + rng() % 64, uint8_t(rng())); break;
        default: // anywhere in the datagrams
            if (frame.size() > 16)
                frame[16 + rng() % (frame.size() - 16)] = uint8_t(rng());
            break;
        }
        if (frame.empty())
            break;
    }
    return frame;
}

std::string hex(const std::vector<uint8_t>& frame)
{
    std::ostringstream out;
    for (size_t i = 0; i < frame.size() && i < 64; ++i)
        out << std::hex << int(frame[i]) << ' ';
    return out.str();
}

} // namespace

TEST(fuzz, random_and_mutated_frames_are_answered_exactly_when_well_formed)
{
    sim::bus segment(42);
    for (uint32_t serial = 1; serial <= 3; ++serial)
        segment.add_slave(sim::generic_coe_slave(serial));
    std::vector<std::vector<uint8_t>> seeds = seed_frames();
    for (const auto& frame : seeds)
        segment.transmit(frame.data(), frame.size());

    std::mt19937 rng(20261208);
    size_t answered = 0;
    constexpr size_t frames = 300'000;
    for (size_t i = 0; i < frames; ++i) {
        std::vector<uint8_t> frame = rng() % 10 < 3 ? random_frame(rng) : mutated_frame(rng, seeds);
        auto replies = segment.transmit(frame.data(), frame.size());
        bool expected = well_formed(frame);
        ASSERT_EQ(!replies.empty(), expected) << "frame " << i << ": " << hex(frame);
        if (!expected)
            continue;
        ++answered;
        ASSERT_EQ(replies[0].size(), frame.size());
        ASSERT_EQ(replies[0][6] & 0x02, 0x02);
        ASSERT_TRUE(well_formed(replies[0]));
    }
    // the mix must exercise both sides of the rule
    EXPECT_GT(answered, frames / 10);
    EXPECT_LT(answered, frames * 9 / 10);
}
