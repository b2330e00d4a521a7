#include "sim/chip/ethercat_frame.h"

#include "sim/chip/byte_order.h"

namespace sim {

namespace {
constexpr uint16_t header_length_mask = 0x07FF;
constexpr uint16_t header_reserved = 0x0800;
constexpr uint16_t header_type_datagrams = 0x1000;
constexpr uint16_t length_reserved = 0x3800;
constexpr uint16_t length_more_follows = 0x8000;
} // namespace

bool parse_frame(uint8_t* frame, size_t length, std::vector<datagram_view>& out)
{
    out.clear();
    if (length < ethernet_header_size + ethercat_header_size + datagram_header_size + working_counter_size
        || length > max_frame_size)
        return false;
    if (frame[12] != uint8_t(ethercat_ethertype >> 8) || frame[13] != uint8_t(ethercat_ethertype))
        return false;
    uint16_t header = get16(frame + ethernet_header_size);
    if ((header & ~header_length_mask) != header_type_datagrams || (header & header_reserved))
        return false;
    size_t end = ethernet_header_size + ethercat_header_size + (header & header_length_mask);
    if (end > length)
        return false;
    size_t offset = ethernet_header_size + ethercat_header_size;
    for (;;) {
        if (offset + datagram_header_size + working_counter_size > end)
            return false;
        uint8_t* datagram = frame + offset;
        uint16_t length_word = get16(datagram + 6);
        if (length_word & length_reserved)
            return false;
        uint16_t data_length = length_word & header_length_mask;
        size_t next = offset + datagram_header_size + data_length + working_counter_size;
        if (next > end)
            return false;
        out.push_back(datagram_view{datagram, datagram + datagram_header_size, data_length});
        offset = next;
        if (!(length_word & length_more_follows))
            return offset == end;
    }
}

} // namespace sim
