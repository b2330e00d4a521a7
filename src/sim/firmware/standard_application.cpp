#include "sim/firmware/standard_application.h"

#include "sim/firmware/al_state.h"
#include "sim/chip/esc_registers.h"

namespace sim {

standard_application::standard_application(const slave_description& description, slave_faults& faults)
    : description_(description),
      faults_(faults),
      dictionary_(description.objects),
      al_(description, faults),
      mailbox_(description, dictionary_, faults)
{
}

void standard_application::run(pdi& chip)
{
    if (!powered_) {
        al_.power_up(chip);
        powered_ = true;
    }
    if (faults_.pending_al_error) {
        al_.raise_error(chip, faults_.pending_al_error);
        faults_.pending_al_error = 0;
    }
    if (chip.event_request() & reg::event_al_control)
        al_.on_control(chip);
    if (al_.state() != last_state_ && al_.state() == al::init)
        mailbox_.reset();
    last_state_ = al_.state();
    if (description_.has_mailbox() && al_.state() != al::init)
        mailbox_.run(chip, al_.state() == al::boot);
}

} // namespace sim
