// Logical addressing: the FMMUs map the frame's logical address space onto this ESC's
// memory bit by bit.
#include <algorithm>
#include <array>

#include "sim/chip/byte_order.h"
#include "sim/chip/esc.h"
#include "sim/chip/esc_registers.h"

namespace sim {

namespace {

constexpr uint8_t command_lrd = 10;
constexpr uint8_t command_lwr = 11;
constexpr uint8_t command_lrw = 12;

bool bit_of(const uint8_t* bytes, uint64_t bit)
{
    return (bytes[bit / 8] >> (bit % 8)) & 1;
}

void set_bit(uint8_t* bytes, uint64_t bit, bool value)
{
    uint8_t mask = uint8_t(1u << (bit % 8));
    bytes[bit / 8] = value ? bytes[bit / 8] | mask : bytes[bit / 8] & uint8_t(~mask);
}

} // namespace

unsigned esc::logical_access(uint8_t command, uint32_t logical_address, uint8_t* data, size_t length)
{
    if (length == 0)
        return 0;
    std::array<uint8_t, 2048> incoming{};
    std::copy_n(data, std::min(length, incoming.size()), incoming.begin());
    const uint64_t datagram_first = uint64_t(logical_address) * 8;
    const uint64_t datagram_last = datagram_first + uint64_t(std::min(length, incoming.size())) * 8 - 1;
    bool read_hit = false;
    bool write_hit = false;

    for (unsigned n = 0; n < config_.fmmu_count && n < 16; ++n) {
        const uint8_t* fmmu = &memory_[reg::fmmu_base + n * reg::fmmu_size];
        uint16_t bytes = get16(fmmu + reg::fmmu_length);
        if (!(fmmu[reg::fmmu_activate] & 1) || bytes == 0)
            continue;
        bool reads = (command == command_lrd || command == command_lrw) && (fmmu[reg::fmmu_type] & reg::fmmu_type_read);
        bool writes =
            (command == command_lwr || command == command_lrw) && (fmmu[reg::fmmu_type] & reg::fmmu_type_write);
        if (!reads && !writes)
            continue;
        uint64_t logical_start = get32(fmmu + reg::fmmu_logical_start);
        uint64_t first = logical_start * 8 + (fmmu[reg::fmmu_logical_start_bit] & 7);
        uint64_t last = (logical_start + bytes - 1) * 8 + (fmmu[reg::fmmu_logical_stop_bit] & 7);
        uint64_t from = std::max(first, datagram_first);
        uint64_t to = std::min(last, datagram_last);
        if (last < first || from > to)
            continue;
        uint64_t physical_first =
            uint64_t(get16(fmmu + reg::fmmu_physical_start)) * 8 + (fmmu[reg::fmmu_physical_start_bit] & 7);
        for (uint64_t bit = from; bit <= to; ++bit) {
            uint64_t physical = physical_first + (bit - first);
            if (physical / 8 >= memory_.size())
                break;
            uint64_t frame_bit = bit - datagram_first;
            if (reads)
                set_bit(data, frame_bit, bit_of(memory_.data(), physical));
            if (writes)
                set_bit(memory_.data(), physical, bit_of(incoming.data(), frame_bit));
        }
        read_hit |= reads;
        write_hit |= writes;
    }
    return (read_hit ? 1u : 0u) + (write_hit ? (command == command_lrw ? 2u : 1u) : 0u);
}

} // namespace sim
