#pragma once
#include <cstdint>

// EtherCAT fields are little-endian on the wire and in the ESC.
namespace sim {

inline uint16_t get16(const uint8_t* p)
{
    return uint16_t(p[0] | p[1] << 8);
}
inline uint32_t get32(const uint8_t* p)
{
    return uint32_t(get16(p)) | uint32_t(get16(p + 2)) << 16;
}
inline uint64_t get64(const uint8_t* p)
{
    return uint64_t(get32(p)) | uint64_t(get32(p + 4)) << 32;
}

inline void put16(uint8_t* p, uint16_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
inline void put32(uint8_t* p, uint32_t v)
{
    put16(p, uint16_t(v));
    put16(p + 2, uint16_t(v >> 16));
}
inline void put64(uint8_t* p, uint64_t v)
{
    put32(p, uint32_t(v));
    put32(p + 4, uint32_t(v >> 32));
}

} // namespace sim
