#pragma once
#include <array>
#include <cstdint>
#include <vector>

#include "sim/chip/esc_config.h"
#include "sim/chip/pdi.h"
#include "sim/chip/sii_interface.h"

namespace sim {

// The EtherCAT slave controller: register space, process memory, sync managers with mailbox
// semantics, FMMUs, the SII controller, DL status and the distributed clock. It is the
// hardware only; a slave application reaches it through the pdi base class.
class esc : public pdi {
public:
    esc(const esc_config& config, std::vector<uint16_t> sii_image);

    const esc_config& config() const { return config_; }
    sii_interface& sii() { return sii_; }

    // EtherCAT side. Each returns whether this slave counts the access in the working counter;
    // a refused access changes nothing.
    bool ecat_read(uint16_t address, uint8_t* out, size_t length);
    bool ecat_write(uint16_t address, const uint8_t* data, size_t length);
    // Logical access through the FMMUs (command 10, 11 or 12); returns the counter increment.
    unsigned logical_access(uint8_t command, uint32_t logical_address, uint8_t* data, size_t length);
    bool answers_station_address(uint16_t address) const;

    // Frame timing, in bus nanoseconds: a frame enters port 0, later comes back through
    // other ports. A write to 0x0900 during the frame latches these times.
    void frame_enters(uint64_t bus_time_ns);
    void frame_returns(unsigned port, uint64_t bus_time_ns);
    void set_clock_offset(uint64_t offset_ns) { clock_offset_ns_ = offset_ns; }
    // A port with a link has a neighbour: link up, loop open, signal detected.
    void set_port_link(unsigned port, bool link);

    // PDI side
    bool read(uint16_t address, uint8_t* out, size_t length) override;
    bool write(uint16_t address, const uint8_t* data, size_t length) override;
    uint32_t event_request() const override;

    // Direct view of memory for tests and diagnostics, without side effects.
    uint8_t peek(uint16_t address) const { return address < memory_.size() ? memory_[address] : 0; }

private:
    enum class side { ecat, pdi };
    bool mailbox_access_allowed(side who, bool is_write, uint16_t address, size_t length) const;
    void after_mailbox_access(side who, uint16_t address, size_t length);
    uint16_t sync_managers_reconfigured(uint16_t address, const uint8_t* data, size_t length) const;
    uint16_t sync_managers_deactivated(uint16_t address, const uint8_t* data, size_t length) const;
    void empty_sync_managers(uint16_t which);
    void refresh_dl_status();
    void refresh_system_time();
    bool in_dc_unit(uint16_t address, size_t length) const;
    void raise_event(uint32_t bits);
    void clear_event(uint32_t bits);

    esc_config config_;
    std::vector<uint8_t> memory_;
    std::vector<bool> ecat_writable_;
    sii_interface sii_;
    std::array<bool, 4> port_link_{};
    uint64_t clock_offset_ns_ = 0;
    uint64_t frame_local_time_ = 0;
    bool latch_armed_ = false;
};

} // namespace sim
