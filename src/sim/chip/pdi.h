#pragma once
#include <cstddef>
#include <cstdint>

namespace sim {

// The process data interface: all that a slave application (the microcontroller side of a
// slave) may use to reach its EtherCAT slave controller. It sees the same address space as
// the EtherCAT side, with the PDI's access rights and side effects, as the ESC register
// description defines them:
//   - a mailbox sync manager is filled by one side and emptied by the other. The filler may
//     write it while empty, the other side read it while full. Its status byte (0x0805 + 8n)
//     shows, on both sides: bit 3 full, set by writing the last byte and cleared by reading
//     the last byte; bit 0 "written", set by writing the last byte and cleared by reading the
//     first byte; bit 1 "read", set by reading the last byte and cleared by writing the first.
//     So SM0 reads 0x09 once the master has written it, SM1 0x02 once the master has read it.
//   - reading a status byte changes nothing.
//   - each sync manager's PDI control byte (0x0807 + 8n) holds deactivate (bit 0) and repeat
//     acknowledge (bit 1). Writing it with deactivate set empties the buffer; the master's
//     repeat request is activate bit 1 (0x0806 + 8n), answered by setting acknowledge to it.
//   - AL status (0x0130), AL status code (0x0134), the station alias (0x0012) and the PDI
//     control bytes are writable only from here.
// The AL event request register (0x0220) is what a slave's interrupt line shows:
//   - bit 0: the master wrote AL control; cleared by reading AL control (0x0120);
//   - bit 4: the master wrote an activation register (0x0806 + 8n), e.g. a repeat request;
//     cleared by reading an activation register;
//   - bit 8 + n: sync manager n needs the slave: status bit 0 of a sync manager the master
//     writes (SM0, cleared when the slave reads its first byte), status bit 1 of one the master
//     reads (SM1, cleared when the slave writes its first byte).
class pdi {
public:
    virtual ~pdi() = default;
    // Returns false (and leaves out unchanged) when a sync manager refuses the access.
    virtual bool read(uint16_t address, uint8_t* out, size_t length) = 0;
    // Returns false (and writes nothing) when a sync manager refuses the access.
    virtual bool write(uint16_t address, const uint8_t* data, size_t length) = 0;
    virtual uint32_t event_request() const = 0;

    uint8_t read8(uint16_t address);
    uint16_t read16(uint16_t address);
    void write8(uint16_t address, uint8_t value);
    void write16(uint16_t address, uint16_t value);
};

} // namespace sim
