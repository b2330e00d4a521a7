#include "jig_outputs.h"

#include "sim/bus/bus.h"
#include "sim/cards/card_jig.h"

bool set_card_outputs(sim::bus& bus, size_t slave, uint16_t word)
{
    return bus.with_slave(slave, [word](sim::slave& device) {
        sim::cards::card_firmware* card = sim::cards::card_of(device);
        uint8_t bytes[2] = {uint8_t(word), uint8_t(word >> 8)};
        return card && card->dictionary().write(0x2300, 0, bytes, 2) == 0;
    });
}
