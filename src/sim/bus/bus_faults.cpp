// The faults a test can ask of the bus. An AL error or an emergency is raised at once; the
// others take effect from the next frame on.
#include "sim/bus/bus.h"

namespace sim {

void bus::set_drop_probability(double probability)
{
    std::lock_guard lock(mutex_);
    drop_probability_ = probability;
}

void bus::set_reply_delay(unsigned frames)
{
    std::lock_guard lock(mutex_);
    reply_delay_ = frames;
}

void bus::unplug(size_t id)
{
    std::lock_guard lock(mutex_);
    nodes_.at(id).plugged = false;
    refresh_links();
}

void bus::replug(size_t id)
{
    std::lock_guard lock(mutex_);
    nodes_.at(id).plugged = true;
    refresh_links();
}

void bus::set_link(bool up)
{
    std::lock_guard lock(mutex_);
    link_up_ = up;
    refresh_links();
}

bool bus::link_up() const
{
    std::lock_guard lock(mutex_);
    return link_up_;
}

void bus::refuse_state(size_t id, uint8_t state, uint16_t al_status_code)
{
    std::lock_guard lock(mutex_);
    slave_faults& faults = nodes_.at(id).device->faults();
    faults.refused_state = state;
    faults.refuse_code = al_status_code;
}

void bus::raise_al_error(size_t id, uint16_t al_status_code)
{
    std::lock_guard lock(mutex_);
    slave& device = *nodes_.at(id).device;
    device.faults().pending_al_error = al_status_code;
    device.run_application();
}

void bus::set_sii_busy_polls(size_t id, unsigned polls)
{
    std::lock_guard lock(mutex_);
    nodes_.at(id).device->controller().sii().set_busy_polls(polls);
}

void bus::inject_sii_command_errors(size_t id, unsigned count)
{
    std::lock_guard lock(mutex_);
    nodes_.at(id).device->controller().sii().inject_command_errors(count);
}

void bus::inject_mailbox_errors(size_t id, unsigned count, uint16_t code)
{
    std::lock_guard lock(mutex_);
    slave_faults& faults = nodes_.at(id).device->faults();
    faults.mailbox_errors = count;
    faults.mailbox_error_code = code;
}

void bus::inject_emergency_during_transfer(size_t id, unsigned count)
{
    std::lock_guard lock(mutex_);
    nodes_.at(id).device->faults().emergencies_during_transfer = count;
}

void bus::set_mailbox_answer_delay(size_t id, unsigned frames)
{
    std::lock_guard lock(mutex_);
    nodes_.at(id).device->faults().mailbox_answer_delay = frames;
}

void bus::send_emergency(size_t id, const emergency_message& message)
{
    std::lock_guard lock(mutex_);
    slave& device = *nodes_.at(id).device;
    device.faults().pending_emergencies.push_back(message);
    device.run_application();
}

void bus::corrupt_datagram_lengths(unsigned frames)
{
    std::lock_guard lock(mutex_);
    corruptions_left_ = frames;
}

} // namespace sim
