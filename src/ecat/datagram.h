#pragma once
#include <cstddef>
#include <cstdint>

#include "ecat/list.h"

namespace ecat {

// EtherCAT command numbers.
enum class datagram_type : int {
    none = 0,
    APRD = 1,
    APWR = 2,
    APRW = 3,
    FPRD = 4,
    FPWR = 5,
    FPRW = 6,
    BRD = 7,
    BWR = 8,
    BRW = 9,
    LRD = 10,
    LWR = 11,
    LRW = 12,
    ARMW = 13,
    FRMW = 14,
};

enum class datagram_state : int { init = 0, queued = 1, sent = 2, received = 3, timed_out = 4, error = 5 };

constexpr size_t max_datagram_data = 1486; // 1500 - 2 (EtherCAT header) - 10 (datagram header) - 2 (counter)

// Name of a command ("APRD" ...; "?" for anything else).
const char* datagram_type_name(datagram_type type);
// True for the write-only commands whose reply carries no data to copy back.
bool datagram_type_is_write(datagram_type type);

struct datagram {
    list_node queue_link;
    list_node frame_link;
    int device_index = 0;
    datagram_type type = datagram_type::none;
    uint8_t address[4] = {};
    uint8_t* data = nullptr;
    bool external = false; // data lent by the owner: never reallocated or freed here
    size_t capacity = 0;
    size_t data_size = 0;
    uint32_t index = 0;
    uint16_t working_counter = 0;
    datagram_state state = datagram_state::init;
    uint32_t sent_time = 0;
    uint32_t received_time = 0;
    int skip_count = 0;
    uint32_t skip_report_time = 0;
    char name[20] = {};

    datagram() = default;
    datagram(const datagram&) = delete;
    datagram& operator=(const datagram&) = delete;
    ~datagram();
};

// Resets the record (unlinks it, frees an internal buffer) and names it.
void datagram_clear(datagram& d, const char* name = "");
// Makes sure the buffer holds size bytes: an internal buffer below that is replaced
// by one of exactly that size. Returns 0, or -12 when out of memory or when lent
// memory is too small.
int datagram_reserve(datagram& d, size_t size);
// Lends external memory to the datagram.
void datagram_attach_external(datagram& d, uint8_t* memory, size_t size);
void datagram_zero(datagram& d);

// Common preparation: reserve, index 0, counter 0, state init, type, address, size.
// The data is not cleared. Returns 0, -12, or -139 for more than max_datagram_data.
int datagram_prepare(datagram& d, datagram_type type, uint16_t slave_address, uint16_t offset, size_t size);

int datagram_aprd(datagram& d, uint16_t ring_position, uint16_t offset, size_t size);
int datagram_apwr(datagram& d, uint16_t ring_position, uint16_t offset, size_t size);
int datagram_fprd(datagram& d, uint16_t station_address, uint16_t offset, size_t size);
int datagram_fpwr(datagram& d, uint16_t station_address, uint16_t offset, size_t size);
int datagram_frmw(datagram& d, uint16_t station_address);
int datagram_brd(datagram& d, uint16_t offset, size_t size);

// Little-endian helpers for datagram payloads.
inline uint16_t read_u16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline uint32_t read_u32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16)
        | (static_cast<uint32_t>(p[3]) << 24);
}
inline void write_u16(uint8_t* p, uint16_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
inline void write_u32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

} // namespace ecat
