#include "sim/chip/pdi.h"

namespace sim {

uint8_t pdi::read8(uint16_t address)
{
    uint8_t value = 0;
    read(address, &value, 1);
    return value;
}

uint16_t pdi::read16(uint16_t address)
{
    uint8_t bytes[2] = {};
    read(address, bytes, 2);
    return uint16_t(bytes[0] | bytes[1] << 8);
}

void pdi::write8(uint16_t address, uint8_t value)
{
    write(address, &value, 1);
}

void pdi::write16(uint16_t address, uint16_t value)
{
    uint8_t bytes[2] = {uint8_t(value), uint8_t(value >> 8)};
    write(address, bytes, 2);
}

} // namespace sim
