#pragma once
#include <cstdint>

#include "sim/chip/pdi.h"
#include "sim/description/slave_description.h"
#include "sim/firmware/slave_faults.h"

namespace sim {

// The slave application's AL state machine. It reacts to AL control and answers through AL
// status and AL status code, checking each transition as a conforming slave does: only the
// transitions of the standard graph, PREOP and BOOT only with their mailbox sync managers as
// the SII describes them, SAFEOP only with the process data sync managers matching the PDOs.
// While the error flag is set, only an acknowledge (bit 0x10) or a step down is obeyed.
class al_state_machine {
public:
    al_state_machine(const slave_description& description, slave_faults& faults);

    void power_up(pdi& chip);
    void on_control(pdi& chip);
    void raise_error(pdi& chip, uint16_t code);
    uint8_t state() const { return state_; }
    bool error() const { return error_; }

private:
    uint16_t transition_refusal(pdi& chip, uint8_t target) const;
    bool mailbox_configured(pdi& chip, mailbox_area receive, mailbox_area send) const;
    uint16_t process_data_refusal(pdi& chip) const;
    void enter(pdi& chip, uint8_t target);
    void publish(pdi& chip, uint16_t code);
    void set_mailbox_enabled(pdi& chip, bool enabled);

    const slave_description& description_;
    slave_faults& faults_;
    uint8_t state_ = 0x01;
    bool error_ = false;
};

} // namespace sim
