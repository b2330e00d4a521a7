#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace testsupport {

// One CoE SDO request the master wrote into a slave's receive mailbox.
struct sent_sdo_request {
    uint16_t station = 0;
    std::vector<uint8_t> coe; // the mailbox's service data: CoE header, SDO command, index, subindex, ...

    uint8_t command_specifier() const { return uint8_t(coe[2] >> 5); }
    uint16_t index() const { return uint16_t(coe[3] | coe[4] << 8); }
    uint8_t subindex() const { return coe[5]; }
};

// The SDO requests in one sent Ethernet frame: FPWR datagrams carrying a mailbox of type
// CoE (3) whose CoE service is an SDO request (2). Decoded from the bytes, not the master.
inline std::vector<sent_sdo_request> sdo_requests_in(const uint8_t* frame, size_t length)
{
    constexpr uint8_t command_fpwr = 0x05;
    constexpr uint8_t mailbox_type_coe = 0x03;
    constexpr unsigned coe_service_sdo_request = 2;
    auto u16 = [](const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); };
    std::vector<sent_sdo_request> requests;
    size_t offset = 16; // Ethernet header, EtherCAT header
    while (offset + 12 <= length) {
        const uint8_t* datagram = frame + offset;
        uint16_t length_word = u16(datagram + 6);
        size_t size = length_word & 0x07FF;
        if (offset + 12 + size > length)
            break;
        const uint8_t* mailbox = datagram + 10;
        if (datagram[0] == command_fpwr && size >= 12 && (mailbox[5] & 0x0F) == mailbox_type_coe
            && u16(mailbox + 6) >> 12 == coe_service_sdo_request) {
            size_t service_length = u16(mailbox);
            if (service_length > size - 6)
                service_length = size - 6;
            requests.push_back({u16(datagram + 2), std::vector<uint8_t>(mailbox + 6, mailbox + 6 + service_length)});
        }
        offset += 12 + size;
        if (!(length_word & 0x8000))
            break;
    }
    return requests;
}

} // namespace testsupport
