#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace sim {

constexpr size_t ethernet_header_size = 14;
constexpr size_t ethercat_header_size = 2;
constexpr size_t datagram_header_size = 10;
constexpr size_t working_counter_size = 2;
constexpr size_t max_frame_size = 1514;
constexpr uint16_t ethercat_ethertype = 0x88A4;

enum command : uint8_t { nop = 0, aprd, apwr, aprw, fprd, fpwr, fprw, brd, bwr, brw, lrd, lwr, lrw, armw, frmw };

// One datagram inside a frame buffer; the pointers alias the buffer.
struct datagram_view {
    uint8_t* header = nullptr;
    uint8_t* data = nullptr;
    uint16_t length = 0;

    uint8_t command() const { return header[0]; }
    uint8_t* address() const { return header + 2; }
    uint8_t* working_counter() const { return data + length; }
};

// Checks an Ethernet frame carrying EtherCAT datagrams: EtherType, header type 1, a
// header length that the datagrams fill exactly, no reserved length bits. Fills out with
// the datagrams and returns true, or returns false for a frame to be dropped.
bool parse_frame(uint8_t* frame, size_t length, std::vector<datagram_view>& out);

} // namespace sim
