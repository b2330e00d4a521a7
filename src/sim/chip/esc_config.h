#pragma once
#include <array>
#include <cstdint>

namespace sim {

// Physical kind of an ESC port, as register 0x0007 reports it.
enum class port_kind : uint8_t { not_implemented = 0, not_configured = 1, ebus = 2, mii = 3 };

// What the slave controller chip is made of: identity registers, unit counts, ports, DC.
struct esc_config {
    uint8_t type = 0x11;
    uint8_t revision = 0x02;
    uint16_t build = 0x0101;
    uint8_t fmmu_count = 8;
    uint8_t sync_manager_count = 8;
    uint8_t ram_kib = 8;
    std::array<port_kind, 4> ports{port_kind::mii, port_kind::mii, port_kind::not_implemented,
                                   port_kind::not_implemented};
    bool dc = true;
    bool dc_64bit = true;
    // time from entering port 0 to leaving towards the next port, through the processing unit
    uint32_t processing_delay_ns = 500;
    // time through the ESC on the way back (a port to the next port in processing order)
    uint32_t forwarding_delay_ns = 100;

    bool port_implemented(unsigned port) const { return ports[port] != port_kind::not_implemented; }
};

} // namespace sim
