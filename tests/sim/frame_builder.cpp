#include "frame_builder.h"

namespace simtest {

const uint8_t master_mac[6] = {0x00, 0x1B, 0x21, 0x0A, 0x0B, 0x0C};

datagram physical(uint8_t command, uint16_t position, uint16_t offset, std::vector<uint8_t> data)
{
    datagram d;
    d.command = command;
    d.position = position;
    d.offset = offset;
    d.data = std::move(data);
    return d;
}

datagram logical(uint8_t command, uint32_t address, std::vector<uint8_t> data)
{
    return physical(command, uint16_t(address), uint16_t(address >> 16), std::move(data));
}

std::vector<uint8_t> le16(uint16_t value)
{
    return {uint8_t(value), uint8_t(value >> 8)};
}

std::vector<uint8_t> le32(uint32_t value)
{
    return {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)};
}

uint16_t u16(const std::vector<uint8_t>& bytes, size_t at)
{
    return uint16_t(bytes.at(at) | bytes.at(at + 1) << 8);
}

uint32_t u32(const std::vector<uint8_t>& bytes, size_t at)
{
    return u16(bytes, at) | uint32_t(u16(bytes, at + 2)) << 16;
}

std::vector<uint8_t> build_frame(const std::vector<datagram>& datagrams)
{
    std::vector<uint8_t> frame(6, 0xFF);
    frame.insert(frame.end(), master_mac, master_mac + 6);
    frame.push_back(0x88);
    frame.push_back(0xA4);
    size_t header_at = frame.size();
    frame.resize(frame.size() + 2);
    for (size_t i = 0; i < datagrams.size(); ++i) {
        const datagram& d = datagrams[i];
        uint16_t length = uint16_t(d.data.size() | (i + 1 < datagrams.size() ? 0x8000 : 0));
        frame.insert(frame.end(),
                     {d.command, d.index, uint8_t(d.position), uint8_t(d.position >> 8), uint8_t(d.offset),
                      uint8_t(d.offset >> 8), uint8_t(length), uint8_t(length >> 8), 0, 0});
        frame.insert(frame.end(), d.data.begin(), d.data.end());
        frame.push_back(uint8_t(d.working_counter));
        frame.push_back(uint8_t(d.working_counter >> 8));
    }
    uint16_t header = uint16_t((frame.size() - header_at - 2) | 0x1000);
    frame[header_at] = uint8_t(header);
    frame[header_at + 1] = uint8_t(header >> 8);
    if (frame.size() < 60)
        frame.resize(60, 0);
    return frame;
}

std::vector<datagram> parse_frame(const std::vector<uint8_t>& frame)
{
    std::vector<datagram> out;
    if (frame.size() < 16 || frame[12] != 0x88 || frame[13] != 0xA4)
        return {};
    size_t end = 16 + (u16(frame, 14) & 0x07FF);
    size_t at = 16;
    while (at + 12 <= end && end <= frame.size()) {
        datagram d;
        d.command = frame[at];
        d.index = frame[at + 1];
        d.position = u16(frame, at + 2);
        d.offset = u16(frame, at + 4);
        uint16_t length = u16(frame, at + 6);
        size_t size = length & 0x07FF;
        if (at + 12 + size > end)
            return {};
        d.data.assign(frame.begin() + long(at + 10), frame.begin() + long(at + 10 + size));
        d.working_counter = u16(frame, at + 10 + size);
        out.push_back(d);
        at += 12 + size;
        if (!(length & 0x8000))
            return out;
    }
    return {};
}

} // namespace simtest
