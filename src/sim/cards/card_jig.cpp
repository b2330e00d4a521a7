#include "sim/cards/card_jig.h"

namespace sim::cards {

card_firmware* card_of(slave& device)
{
    return dynamic_cast<card_firmware*>(&device.application());
}

bool bind_serial_to_pty(bus& segment, size_t id, std::string& path, std::string& error)
{
    if (id >= segment.slave_count()) {
        error = "no slave " + std::to_string(id);
        return false;
    }
    return segment.with_slave(id, [&](slave& device) {
        card_firmware* card = card_of(device);
        if (!card || !card->board().serial()) {
            error = "slave " + std::to_string(id) + " has no card serial port";
            return false;
        }
        return card->board().serial()->bind_pty(path, error);
    });
}

bool set_analog_noise(bus& segment, size_t id, const jig_noise& noise)
{
    if (id >= segment.slave_count())
        return false;
    return segment.with_slave(id, [&](slave& device) {
        card_firmware* card = card_of(device);
        if (card)
            card->board().analog().noise = noise;
        return card != nullptr;
    });
}

} // namespace sim::cards
