#pragma once
#include <cstddef>
#include <cstdint>

namespace sim {
class bus;
}

// Drives a simulated card's outputs as its firmware would take them; the jig wires them
// back to the card's inputs. Kept apart from Qt, whose keywords the card headers use.
bool set_card_outputs(sim::bus& bus, size_t slave, uint16_t word);
