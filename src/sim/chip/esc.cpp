#include "sim/chip/esc.h"

#include <algorithm>

#include "sim/chip/byte_order.h"
#include "sim/chip/esc_registers.h"

namespace sim {

namespace {

bool overlaps(uint32_t address, size_t length, uint32_t first, uint32_t count)
{
    return address < first + count && first < address + length;
}

struct byte_range {
    uint16_t first;
    uint16_t count;
};

// registers the master may write; everything else below 0x1000 ignores EtherCAT writes
constexpr byte_range ecat_writable_registers[] = {
    {reg::station_address, 2},
    {reg::dl_control, 4},
    {reg::al_control, 2},
    {0x0200, 2},
    {0x0300, 0x14},
    {0x0400, 0x44},
    {reg::sii_config, 1},
    {reg::sii_address, 12},
    {0x0920, 0x18},
    {reg::dc_activation, 2},
    {0x0990, 0x1A},
};

uint16_t feature_bits(const esc_config& config)
{
    // the FMMUs map bit by bit, so the byte-oriented bit stays clear
    uint16_t bits = 0;
    if (config.dc)
        bits |= reg::feature_dc;
    if (config.dc && config.dc_64bit)
        bits |= reg::feature_dc_64bit;
    return bits;
}

} // namespace

esc::esc(const esc_config& config, std::vector<uint16_t> sii_image)
    : config_(config),
      memory_(std::min<size_t>(0x10000, reg::process_memory + size_t(config.ram_kib) * 1024)),
      ecat_writable_(reg::process_memory, false),
      sii_(std::move(sii_image))
{
    memory_[reg::type] = config.type;
    memory_[reg::revision] = config.revision;
    put16(&memory_[reg::build], config.build);
    memory_[reg::fmmu_count] = config.fmmu_count;
    memory_[reg::sync_manager_count] = config.sync_manager_count;
    memory_[reg::ram_size] = config.ram_kib;
    uint8_t descriptor = 0;
    for (unsigned port = 0; port < 4; ++port)
        descriptor |= uint8_t(uint8_t(config.ports[port]) << (2 * port));
    memory_[reg::port_descriptor] = descriptor;
    put16(&memory_[reg::features], feature_bits(config));

    for (const byte_range& range : ecat_writable_registers)
        std::fill_n(ecat_writable_.begin() + range.first, range.count, true);
    for (unsigned n = 0; n < config.fmmu_count && n < 16; ++n)
        std::fill_n(ecat_writable_.begin() + reg::fmmu_base + n * reg::fmmu_size, reg::fmmu_size, true);
    for (unsigned n = 0; n < config.sync_manager_count && n < 16; ++n) {
        uint16_t base = uint16_t(reg::sync_manager_base + n * reg::sync_manager_size);
        std::fill_n(ecat_writable_.begin() + base, 5, true);
        ecat_writable_[base + reg::sm_activate] = true;
    }

    sii_.attach(&memory_[reg::sii_config]);
    // at power-up the chip loads the configured station alias from the EEPROM
    put16(&memory_[reg::station_alias], sii_.word(4));
    memory_[reg::al_status] = 0x01;
    refresh_dl_status();
}

bool esc::in_dc_unit(uint16_t address, size_t length) const
{
    return overlaps(address, length, reg::dc_receive_time_port0, reg::dc_unit_end - reg::dc_receive_time_port0);
}

bool esc::answers_station_address(uint16_t address) const
{
    if (get16(&memory_[reg::station_address]) == address)
        return true;
    bool alias_enabled = get32(&memory_[reg::dl_control]) & reg::dl_control_alias_enable;
    return alias_enabled && get16(&memory_[reg::station_alias]) == address;
}

bool esc::ecat_read(uint16_t address, uint8_t* out, size_t length)
{
    if (!config_.dc && in_dc_unit(address, length))
        return false;
    if (!mailbox_access_allowed(side::ecat, false, address, length))
        return false;
    if (overlaps(address, length, reg::dc_system_time, 8))
        refresh_system_time();
    for (size_t i = 0; i < length; ++i) {
        uint32_t at = address + i;
        out[i] = at < memory_.size() ? memory_[at] : 0;
    }
    after_mailbox_access(side::ecat, address, length);
    if (overlaps(address, length, reg::sii_control, 2))
        sii_.status_polled();
    return true;
}

bool esc::ecat_write(uint16_t address, const uint8_t* data, size_t length)
{
    if (!config_.dc && in_dc_unit(address, length))
        return false;
    if (!mailbox_access_allowed(side::ecat, true, address, length))
        return false;
    bool sii_locked = sii_.busy();
    uint16_t reconfigured = sync_managers_reconfigured(address, data, length);
    for (size_t i = 0; i < length; ++i) {
        uint32_t at = address + i;
        if (at >= memory_.size())
            break;
        bool sii_register = at >= reg::sii_address && at < reg::sii_data + 8;
        if (at >= reg::process_memory || (ecat_writable_[at] && !(sii_locked && sii_register)))
            memory_[at] = data[i];
    }
    after_mailbox_access(side::ecat, address, length);
    if (overlaps(address, length, reg::al_control, 2))
        raise_event(reg::event_al_control);
    if (overlaps(address, length, reg::sii_control, 2)) {
        const uint8_t* low =
            overlaps(address, length, reg::sii_control, 1) ? data + (reg::sii_control - address) : nullptr;
        const uint8_t* high =
            overlaps(address, length, reg::sii_control + 1, 1) ? data + (reg::sii_control + 1 - address) : nullptr;
        sii_.control_written(low, high);
    }
    empty_sync_managers(reconfigured);
    for (unsigned n = 0; n < config_.sync_manager_count && n < 16; ++n)
        if (overlaps(address, length, reg::sync_manager_base + n * reg::sync_manager_size + reg::sm_activate, 1))
            raise_event(reg::event_sm_activation);
    if (overlaps(address, length, reg::dc_receive_time_port0, 4)) {
        latch_armed_ = true;
        put32(&memory_[reg::dc_receive_time_port0], uint32_t(frame_local_time_));
        put64(&memory_[reg::dc_receive_time_unit], frame_local_time_);
    }
    return true;
}

void esc::frame_enters(uint64_t bus_time_ns)
{
    frame_local_time_ = bus_time_ns + clock_offset_ns_;
    latch_armed_ = false;
}

void esc::frame_returns(unsigned port, uint64_t bus_time_ns)
{
    if (latch_armed_ && config_.dc)
        put32(&memory_[reg::dc_receive_time_port0 + 4 * port], uint32_t(bus_time_ns + clock_offset_ns_));
}

void esc::refresh_system_time()
{
    uint64_t system_time = frame_local_time_ + get64(&memory_[reg::dc_system_time_offset]);
    if (config_.dc_64bit)
        put64(&memory_[reg::dc_system_time], system_time);
    else
        put64(&memory_[reg::dc_system_time], uint32_t(system_time));
}

void esc::set_port_link(unsigned port, bool link)
{
    port_link_[port] = link && config_.port_implemented(port);
    refresh_dl_status();
}

void esc::refresh_dl_status()
{
    uint16_t status = reg::dl_pdi_operational | reg::dl_watchdog_not_expired;
    for (unsigned port = 0; port < 4; ++port)
        status |= port_link_[port] ? reg::dl_link_up(port) | reg::dl_signal_detected(port) : reg::dl_loop_closed(port);
    put16(&memory_[reg::dl_status], status);
}

void esc::raise_event(uint32_t bits)
{
    put32(&memory_[reg::al_event_request], get32(&memory_[reg::al_event_request]) | bits);
}

void esc::clear_event(uint32_t bits)
{
    put32(&memory_[reg::al_event_request], get32(&memory_[reg::al_event_request]) & ~bits);
}

uint32_t esc::event_request() const
{
    return get32(&memory_[reg::al_event_request]);
}

} // namespace sim
