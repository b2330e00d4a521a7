// The sync manager half of the ESC model: mailbox buffers as both sides see them, and the
// PDI's access to the chip.
#include <algorithm>

#include "sim/chip/byte_order.h"
#include "sim/chip/esc.h"
#include "sim/chip/esc_registers.h"

namespace sim {

namespace {

struct mailbox_window {
    unsigned number;
    uint16_t registers; // address of the sync manager's 8-byte entry
    uint32_t start;
    uint32_t length;
    bool written_by_master;
};

// Calls visit for every enabled mailbox sync manager whose buffer overlaps the access.
template <typename Visit>
void for_each_mailbox(const std::vector<uint8_t>& memory, unsigned count, uint32_t address, size_t length, Visit visit)
{
    for (unsigned n = 0; n < count && n < 16; ++n) {
        uint16_t base = uint16_t(reg::sync_manager_base + n * reg::sync_manager_size);
        const uint8_t* entry = &memory[base];
        bool enabled = (entry[reg::sm_activate] & reg::sm_activate_enable)
            && !(entry[reg::sm_pdi_control] & reg::sm_pdi_deactivate);
        uint32_t start = get16(entry + reg::sm_start);
        uint32_t size = get16(entry + reg::sm_length);
        if (!enabled || size == 0 || (entry[reg::sm_control] & reg::sm_mode_mask) != reg::sm_mode_mailbox)
            continue;
        if (address >= start + size || start >= address + length)
            continue;
        bool written_by_master = (entry[reg::sm_control] & reg::sm_direction_mask) == reg::sm_direction_ecat_writes;
        visit(mailbox_window{n, base, start, size, written_by_master});
    }
}

} // namespace

bool esc::mailbox_access_allowed(side who, bool is_write, uint16_t address, size_t length) const
{
    bool allowed = true;
    for_each_mailbox(memory_, config_.sync_manager_count, address, length, [&](const mailbox_window& box) {
        bool full = memory_[box.registers + reg::sm_status] & reg::sm_status_mailbox_full;
        // the side that fills a mailbox may only write it while empty, the other only read it while full
        bool filler = (who == side::ecat) == box.written_by_master;
        if (filler ? !is_write || full : is_write || !full)
            allowed = false;
    });
    return allowed;
}

void esc::after_mailbox_access(side who, uint16_t address, size_t length)
{
    for_each_mailbox(memory_, config_.sync_manager_count, address, length, [&](const mailbox_window& box) {
        uint8_t& status = memory_[box.registers + reg::sm_status];
        bool filler = (who == side::ecat) == box.written_by_master;
        // the first byte takes back the other side's interrupt; the last byte hands the buffer over
        bool first = address <= box.start;
        bool last = address + length >= box.start + box.length;
        if (filler) {
            if (first)
                status &= uint8_t(~reg::sm_status_interrupt_read);
            if (last)
                status |= reg::sm_status_interrupt_write | reg::sm_status_mailbox_full;
        } else {
            if (first)
                status &= uint8_t(~reg::sm_status_interrupt_write);
            if (last)
                status = uint8_t((status & ~reg::sm_status_mailbox_full) | reg::sm_status_interrupt_read);
        }
        // the slave is interrupted when the master has filled SM0 or emptied SM1
        uint8_t slave_interrupt =
            box.written_by_master ? reg::sm_status_interrupt_write : reg::sm_status_interrupt_read;
        if (status & slave_interrupt)
            raise_event(reg::event_sync_manager(box.number));
        else
            clear_event(reg::event_sync_manager(box.number));
    });
}

uint16_t esc::sync_managers_reconfigured(uint16_t address, const uint8_t* data, size_t length) const
{
    // a new start, length or control, or switching it on or off, starts the buffer over;
    // toggling only the repeat request keeps it
    uint16_t which = 0;
    for (unsigned n = 0; n < config_.sync_manager_count && n < 16; ++n) {
        uint32_t base = reg::sync_manager_base + n * reg::sync_manager_size;
        if (address >= base + reg::sync_manager_size || base >= address + length)
            continue;
        uint32_t activate = base + reg::sm_activate;
        bool config_written = address < base + reg::sm_status;
        bool enable_changed = address <= activate && activate < address + length
            && ((data[activate - address] ^ memory_[activate]) & reg::sm_activate_enable);
        if (config_written || enable_changed)
            which |= uint16_t(1u << n);
    }
    return which;
}

uint16_t esc::sync_managers_deactivated(uint16_t address, const uint8_t* data, size_t length) const
{
    uint16_t which = 0;
    for (unsigned n = 0; n < config_.sync_manager_count && n < 16; ++n) {
        uint32_t control = reg::sync_manager_base + n * reg::sync_manager_size + reg::sm_pdi_control;
        if (address <= control && control < address + length && (data[control - address] & reg::sm_pdi_deactivate))
            which |= uint16_t(1u << n);
    }
    return which;
}

void esc::empty_sync_managers(uint16_t which)
{
    for (unsigned n = 0; n < 16; ++n) {
        if (!(which & (1u << n)))
            continue;
        memory_[reg::sync_manager_base + n * reg::sync_manager_size + reg::sm_status] = 0;
        clear_event(reg::event_sync_manager(n));
    }
}

bool esc::read(uint16_t address, uint8_t* out, size_t length)
{
    if (!mailbox_access_allowed(side::pdi, false, address, length))
        return false;
    for (size_t i = 0; i < length; ++i) {
        uint32_t at = address + i;
        out[i] = at < memory_.size() ? memory_[at] : 0;
    }
    after_mailbox_access(side::pdi, address, length);
    if (address < reg::al_control + 2 && reg::al_control < address + length)
        clear_event(reg::event_al_control);
    // reading the status bytes takes no event; reading an activation register takes bit 4
    for (unsigned n = 0; n < config_.sync_manager_count && n < 16; ++n) {
        uint32_t activate = reg::sync_manager_base + n * reg::sync_manager_size + reg::sm_activate;
        if (address <= activate && activate < address + length)
            clear_event(reg::event_sm_activation);
    }
    return true;
}

namespace {

bool pdi_writable(uint32_t at, unsigned sync_managers)
{
    if (at >= reg::process_memory)
        return true;
    if ((at >= reg::station_alias && at < reg::station_alias + 2) || (at >= reg::al_status && at < reg::al_status + 6)
        || (at >= reg::al_event_mask && at < reg::al_event_mask + 4))
        return true;
    uint32_t end = reg::sync_manager_base + std::min(sync_managers, 16u) * reg::sync_manager_size;
    return at >= reg::sync_manager_base && at < end && (at - reg::sync_manager_base) % 8 == reg::sm_pdi_control;
}

} // namespace

bool esc::write(uint16_t address, const uint8_t* data, size_t length)
{
    if (!mailbox_access_allowed(side::pdi, true, address, length))
        return false;
    for (size_t i = 0; i < length; ++i) {
        uint32_t at = address + i;
        if (at >= memory_.size())
            break;
        if (pdi_writable(at, config_.sync_manager_count))
            memory_[at] = data[i];
    }
    after_mailbox_access(side::pdi, address, length);
    // of the PDI control byte only the deactivate bit empties the buffer, not the repeat acknowledge
    empty_sync_managers(sync_managers_deactivated(address, data, length));
    return true;
}

} // namespace sim
