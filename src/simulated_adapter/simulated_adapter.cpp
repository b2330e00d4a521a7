#include "simulated_adapter/simulated_adapter.h"

#include <mutex>

#include "ecat/adapter.h"
#include "sim/bus/bus_catalog.h"
#include "sim/bus/inprocess_wire.h"
#include "sim/cards/card_jig.h"

namespace simulated {

namespace {
// locally administered, as a virtual adapter's MAC should be
const uint8_t simulated_adapter_mac[6] = {0x02, 0x00, 0x4B, 0x49, 0x4F, 0x01};

struct bound_line {
    std::weak_ptr<sim::bus> bus;
    card_serial_line line;
};

std::mutex bound_lines_lock;
std::vector<bound_line> bound_lines;

// The model of the card at a position, empty for a slave without a serial port.
std::string serial_card_model(sim::bus& bus, size_t position)
{
    return bus.with_slave(position, [](sim::slave& device) {
        sim::cards::card_firmware* card = sim::cards::card_of(device);
        return card && card->board().serial() ? card->board().description().model : std::string();
    });
}

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

bool put_card_serial_lines_on_ptys(const std::shared_ptr<sim::bus>& bus, std::string& error)
{
    for (size_t position = 0; position < bus->slave_count(); ++position) {
        std::string model = serial_card_model(*bus, position);
        if (model.empty())
            continue;
        card_serial_line line{{}, model, position};
        if (!sim::cards::bind_serial_to_pty(*bus, position, line.path, error))
            return false;
        std::lock_guard lock(bound_lines_lock);
        std::erase_if(bound_lines, [&](const bound_line& bound) {
            return bound.bus.lock() == bus && bound.line.position == position; // its pty is gone
        });
        bound_lines.push_back({bus, line});
    }
    return true;
}

std::vector<card_serial_line> card_serial_lines()
{
    std::lock_guard lock(bound_lines_lock);
    std::erase_if(bound_lines, [](const bound_line& bound) { return bound.bus.expired(); });
    std::vector<card_serial_line> lines;
    for (const bound_line& bound : bound_lines)
        lines.push_back(bound.line);
    return lines;
}

} // namespace simulated
