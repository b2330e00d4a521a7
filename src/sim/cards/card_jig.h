#pragma once
#include <string>

#include "sim/bus/bus.h"
#include "sim/cards/card_firmware.h"

namespace sim::cards {

// Reaching the test jig of a card on a running bus, e.g. from kestio-sim's command line.

// The card firmware a slave runs, or null for a slave that is no IO card.
card_firmware* card_of(slave& device);

// Binds the serial line of card `id` to a new pseudo terminal and returns its path. False
// with error set for a slave without a serial port or when no pseudo terminal can be had.
bool bind_serial_to_pty(bus& segment, size_t id, std::string& path, std::string& error);

// Sets the noise of the jig's analog loop-back of card `id`; false for a slave that is no card.
bool set_analog_noise(bus& segment, size_t id, const jig_noise& noise);

} // namespace sim::cards
