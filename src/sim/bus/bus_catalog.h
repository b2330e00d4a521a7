#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sim/bus/bus.h"
#include "sim/bus/firmware_slave.h"

namespace sim {

// The names of the slave models a bus can be made of (matched case-insensitively).
std::vector<std::string> known_models();

// One slave of a list: a model by its name, or a slave given by files.
struct slave_item {
    std::string model; // empty for a slave given by files
    firmware_files firmware;

    // the model's name, or the files as the list writes them
    std::string text() const { return model.empty() ? firmware_item_text(firmware) : model; }
};

// A slave list is a comma-separated list of model names, each optionally repeated with *N,
// and of slaves given by files (firmware=PATH.so,sii=PATH.bin[,name=NAME]), e.g.
// "generic,nomailbox", "generic*16" or "ZEIO,firmware=/x.so,sii=/x.bin,generic". Empty means
// three generic CoE slaves. Returns false with a readable error for an unknown name or a
// malformed list; the files are not looked at here.
bool parse_slave_items(const std::string& spec, std::vector<slave_item>& items, std::string& error);
// The same, as the items' texts.
bool parse_slave_list(const std::string& spec, std::vector<std::string>& models, std::string& error);

// Builds a line of the slaves a list names. Every slave is built (files read, firmware
// loaded and started) before the bus is made; returns null with error set, naming the slave
// by its position, when the list is bad or any slave cannot be built.
std::unique_ptr<bus> make_bus(const std::string& spec, uint64_t seed, std::string& error);

} // namespace sim
