#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// Frames built and taken apart by hand from the EtherCAT frame rules, independent of the
// simulator's own frame code.
namespace simtest {

enum : uint8_t { NOP, APRD, APWR, APRW, FPRD, FPWR, FPRW, BRD, BWR, BRW, LRD, LWR, LRW, ARMW, FRMW };

struct datagram {
    uint8_t command = NOP;
    uint16_t position = 0; // slave address (ADP) or low half of a logical address
    uint16_t offset = 0;   // register offset (ADO) or high half of a logical address
    std::vector<uint8_t> data;
    uint16_t working_counter = 0;
    uint8_t index = 0;
};

datagram physical(uint8_t command, uint16_t position, uint16_t offset, std::vector<uint8_t> data);
datagram logical(uint8_t command, uint32_t address, std::vector<uint8_t> data);

extern const uint8_t master_mac[6];

// An Ethernet frame with the datagrams chained, padded to 60 bytes.
std::vector<uint8_t> build_frame(const std::vector<datagram>& datagrams);
// The datagrams of a returned frame; empty when the frame does not parse.
std::vector<datagram> parse_frame(const std::vector<uint8_t>& frame);

std::vector<uint8_t> le16(uint16_t value);
std::vector<uint8_t> le32(uint32_t value);
uint16_t u16(const std::vector<uint8_t>& bytes, size_t at = 0);
uint32_t u32(const std::vector<uint8_t>& bytes, size_t at = 0);

} // namespace simtest
