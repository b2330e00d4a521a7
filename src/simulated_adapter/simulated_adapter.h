#pragma once
#include <memory>
#include <string>

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

} // namespace simulated
