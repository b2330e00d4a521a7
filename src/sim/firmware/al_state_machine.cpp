#include "sim/firmware/al_state_machine.h"

#include "sim/firmware/al_state.h"
#include "sim/chip/esc_registers.h"

namespace sim {

namespace {

bool known_state(uint8_t state)
{
    return state == al::init || state == al::preop || state == al::boot || state == al::safeop || state == al::op;
}

bool allowed_transition(uint8_t from, uint8_t to)
{
    switch (from) {
    case al::init: return to == al::preop || to == al::boot;
    case al::preop: return to == al::init || to == al::safeop;
    case al::safeop: return to == al::init || to == al::preop || to == al::op;
    case al::op: return to == al::init || to == al::preop || to == al::safeop;
    case al::boot: return to == al::init;
    default: return false;
    }
}

// order of states from INIT upwards; BOOT sits beside PREOP
int rank(uint8_t state)
{
    return state == al::init ? 0 : state == al::preop || state == al::boot ? 1 : state == al::safeop ? 2 : 3;
}

uint16_t sm_register(unsigned n, unsigned byte)
{
    return uint16_t(reg::sync_manager_base + n * reg::sync_manager_size + byte);
}

} // namespace

al_state_machine::al_state_machine(const slave_description& description, slave_faults& faults)
    : description_(description),
      faults_(faults)
{
}

void al_state_machine::power_up(pdi& chip)
{
    state_ = al::init;
    error_ = false;
    set_mailbox_enabled(chip, false);
    publish(chip, al::code::none);
}

void al_state_machine::on_control(pdi& chip)
{
    uint16_t control = chip.read16(reg::al_control);
    uint8_t target = uint8_t(control & al::state_mask);
    bool acknowledge = control & al::error_flag;
    if (error_ && !acknowledge && rank(target) >= rank(state_))
        return;
    uint16_t code = al::code::none;
    if (error_ && !acknowledge)
        code = chip.read16(reg::al_status_code); // stepping down keeps the unacknowledged error
    else
        error_ = false;
    if (target != state_) {
        if (uint16_t refusal = transition_refusal(chip, target)) {
            error_ = true;
            publish(chip, refusal);
            return;
        }
        enter(chip, target);
    }
    publish(chip, code);
}

void al_state_machine::raise_error(pdi& chip, uint16_t code)
{
    error_ = true;
    publish(chip, code);
}

uint16_t al_state_machine::transition_refusal(pdi& chip, uint8_t target) const
{
    if (!known_state(target))
        return al::code::unknown_state;
    if (!allowed_transition(state_, target))
        return al::code::invalid_state_change;
    if (faults_.refused_state == target)
        return faults_.refuse_code;
    if (target == al::boot) {
        if (!description_.supports_boot())
            return al::code::bootstrap_not_supported;
        if (!mailbox_configured(chip, description_.boot_receive, description_.boot_send))
            return al::code::invalid_boot_mailbox;
    }
    if (target == al::preop && description_.has_mailbox()
        && !mailbox_configured(chip, description_.receive, description_.send))
        return al::code::invalid_mailbox;
    if (target == al::safeop && state_ == al::preop)
        return process_data_refusal(chip);
    return al::code::none;
}

bool al_state_machine::mailbox_configured(pdi& chip, mailbox_area receive, mailbox_area send) const
{
    const struct {
        unsigned number;
        mailbox_area area;
        uint8_t mode;
    } expected[] = {{0, receive, 0x06}, {1, send, 0x02}};
    for (const auto& sm : expected) {
        if (chip.read16(sm_register(sm.number, reg::sm_start)) != sm.area.offset
            || chip.read16(sm_register(sm.number, reg::sm_length)) != sm.area.size
            || (chip.read8(sm_register(sm.number, reg::sm_control)) & 0x0F) != sm.mode
            || !(chip.read8(sm_register(sm.number, reg::sm_activate)) & reg::sm_activate_enable))
            return false;
    }
    return true;
}

uint16_t al_state_machine::process_data_refusal(pdi& chip) const
{
    if (!description_.has_process_data())
        return al::code::no_inputs_and_outputs;
    for (unsigned n = 0; n < description_.sync_managers.size(); ++n) {
        const sync_manager_description& sm = description_.sync_managers[n];
        if (sm.use != sync_manager_use::outputs && sm.use != sync_manager_use::inputs)
            continue;
        unsigned bits = 0;
        for (const auto* list : {&description_.rx_pdos, &description_.tx_pdos})
            for (const pdo_description& pdo : *list)
                if (pdo.sync_manager == n)
                    bits += pdo.bit_length();
        if (bits == 0)
            continue;
        bool matches = chip.read16(sm_register(n, reg::sm_start)) == sm.start
            && chip.read16(sm_register(n, reg::sm_length)) == (bits + 7) / 8
            && (chip.read8(sm_register(n, reg::sm_activate)) & reg::sm_activate_enable);
        if (!matches)
            return sm.use == sync_manager_use::outputs ? al::code::invalid_output_configuration
                                                       : al::code::invalid_input_configuration;
    }
    return al::code::none;
}

void al_state_machine::enter(pdi& chip, uint8_t target)
{
    if (target == al::init)
        set_mailbox_enabled(chip, false);
    else if (state_ == al::init)
        set_mailbox_enabled(chip, true);
    state_ = target;
}

void al_state_machine::publish(pdi& chip, uint16_t code)
{
    chip.write16(reg::al_status_code, code);
    chip.write16(reg::al_status, uint16_t(state_ | (error_ ? al::error_flag : 0)));
}

void al_state_machine::set_mailbox_enabled(pdi& chip, bool enabled)
{
    if (!description_.has_mailbox())
        return;
    // the firmware holds the mailbox sync managers back while in INIT; the repeat acknowledge stays
    for (unsigned n = 0; n < 2; ++n) {
        uint8_t control = chip.read8(sm_register(n, reg::sm_pdi_control));
        chip.write8(sm_register(n, reg::sm_pdi_control),
                    enabled ? uint8_t(control & ~reg::sm_pdi_deactivate) : uint8_t(control | reg::sm_pdi_deactivate));
    }
}

} // namespace sim
