#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sim/bus/bus.h"

namespace sim {

// The slave models a bus can be made of, by name (case-insensitive); position is the slave's
// place on the bus, from 0, which models may use for their serial number.
bool describe_model(const std::string& name, unsigned position, slave_description& out);
std::vector<std::string> known_models();

// A slave list is a comma-separated list of model names, each optionally repeated with *N,
// e.g. "generic,nomailbox" or "generic*16". Empty means three generic CoE slaves.
// Returns false with a readable error for an unknown name or a malformed list.
bool parse_slave_list(const std::string& spec, std::vector<std::string>& models, std::string& error);

// Builds a line of the slaves a list names. Returns null with error set when the list is bad.
std::unique_ptr<bus> make_bus(const std::string& spec, uint64_t seed, std::string& error);

} // namespace sim
