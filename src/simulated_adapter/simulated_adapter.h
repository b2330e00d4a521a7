#pragma once
#include <memory>
#include <string>
#include <vector>

namespace sim {
class bus;
}

namespace simulated {

// Builds the simulated bus a slave list names ("ZEIO,KOVA-H", "generic*3", empty: the
// default) and offers it in the adapter table as "模拟总线 ..." after the interfaces.
// Returns the bus, or null with error set for a bad spec. The adapter appears at the
// next adapter_list_refresh.
std::shared_ptr<sim::bus> register_simulated_adapter(const std::string& spec, std::string& error);

// The display name the simulated adapter gets for a slave list.
std::string simulated_adapter_name(const std::string& spec);

// A simulated card's serial line on a pseudo terminal.
struct card_serial_line {
    std::string path;  // e.g. /dev/pts/5
    std::string model; // e.g. ZEIO
    size_t position = 0;
};

// Puts the serial line of every card on the bus that has one on a pseudo terminal of its
// own, so that a program (the PC side of a serial test) can open it. False with error set
// when the system has no pseudo terminal to give; the lines bound before stay bound.
bool put_card_serial_lines_on_ptys(const std::shared_ptr<sim::bus>& bus, std::string& error);
// The lines put on pseudo terminals, of the buses that still exist, in ring order.
std::vector<card_serial_line> card_serial_lines();

} // namespace simulated
