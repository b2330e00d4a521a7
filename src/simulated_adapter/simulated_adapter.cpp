#include "simulated_adapter/simulated_adapter.h"

#include "ecat/adapter.h"
#include "sim/bus/bus_catalog.h"
#include "sim/bus/inprocess_wire.h"

namespace simulated {

namespace {
// locally administered, as a virtual adapter's MAC should be
const uint8_t simulated_adapter_mac[6] = {0x02, 0x00, 0x4B, 0x49, 0x4F, 0x01};
} // namespace

std::string simulated_adapter_name(const std::string& spec)
{
    return spec.empty() ? std::string("模拟总线") : "模拟总线 " + spec;
}

std::shared_ptr<sim::bus> register_simulated_adapter(const std::string& spec, std::string& error)
{
    std::shared_ptr<sim::bus> bus = sim::make_bus(spec, 1, error);
    if (!bus)
        return nullptr;
    ecat::adapter_register_wire(simulated_adapter_name(spec), simulated_adapter_mac,
                                std::make_shared<sim::inprocess_wire>(bus));
    return bus;
}

} // namespace simulated
