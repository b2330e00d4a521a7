#pragma once
#include <cstddef>
#include <cstdint>

namespace sim {

// The process data interface: all that a slave application (the microcontroller side of a
// slave) may use to reach its EtherCAT slave controller. It sees the same address space as
// the EtherCAT side, with the PDI's access rights and side effects:
//   - reading AL control (0x0120) clears the AL control event;
//   - a mailbox sync manager written by the master (SM0) can be read once it is full; reading
//     its last byte frees it for the next mailbox and clears that sync manager's event;
//   - a mailbox sync manager read by the master (SM1) can be written while it is empty; writing
//     its last byte marks it full; the event "the master has read it" is cleared by reading the
//     sync manager's status byte or writing the buffer again;
//   - AL status (0x0130), AL status code (0x0134), the station alias (0x0012) and each sync
//     manager's PDI control byte (deactivate, 0x0807 + 8n) are writable only from here.
// The events of the AL event request register (0x0220) are what a slave's interrupt line shows:
// bit 0 AL control written, bit 8 + n sync manager n needs attention.
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
