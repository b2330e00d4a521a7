#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "ecat/adapter.h"
#include "ecat/master.h"

namespace sim {
class bus;
}

namespace apptest {

// A CoE slave with the identity objects the main window reads and every object the poll
// procedures read (each holding index + subindex, so that tests can tell them apart).
struct test_card {
    std::string name = "Test card";
    std::string hardware_version = "ZEIO";
    std::string software_version = "V1.02";
    uint8_t date[4] = {0x15, 0x03, 0x24, 0x20}; // 2024.03.15
    uint32_t serial_high = 0x12345678;
    uint32_t serial_low = 0x9ABCDEF0;
    // every read of 0x2000:00 sleeps this long inside the bus, like a card that is slow to answer
    std::shared_ptr<std::atomic<int>> inputs_delay_ms = std::make_shared<std::atomic<int>>(0);
};

// Registers a line of these cards as the in-process adapter `name` (seen at the next
// adapter_list_refresh) and returns its bus.
std::shared_ptr<sim::bus> register_test_bus(const std::vector<test_card>& cards, const std::string& name);
// Registers a bus that sim::make_bus builds from a slave list; null when the list is refused.
std::shared_ptr<sim::bus> register_spec_bus(const std::string& spec, const std::string& name);
// Index of the adapter with this display name in the current table, or -1.
int adapter_index_of(const std::string& name);

// Starts a test's master on an adapter as the main window does; the session's result.
int start_master(ecat::master& m, int adapter_index, ecat::net_device& descriptor, int response_wait_ms = 10);
// Waits until the scan has found `count` slaves and each can take requests.
bool wait_until_ready(ecat::master& m, unsigned count, int timeout_ms = 5000);

void set_object(sim::bus& bus, size_t slave, uint16_t index, uint8_t subindex, uint64_t value);
uint64_t object_value(sim::bus& bus, size_t slave, uint16_t index, uint8_t subindex);

// One SDO request the master put on the wire.
struct sdo_access {
    uint16_t station = 0;
    uint16_t index = 0;
    uint8_t subindex = 0;
    bool upload = true;
    bool operator==(const sdo_access&) const = default;
};

// Records the SDO requests the master sends (decoded from the frames), while it lives.
class sdo_traffic : public ecat::frame_tap {
public:
    explicit sdo_traffic(ecat::master& m);
    ~sdo_traffic() override;
    void frame(const uint8_t* data, size_t length, bool sent) override;

    std::vector<sdo_access> accesses() const;
    // requests to the slave at this ring position
    std::vector<sdo_access> to(unsigned position) const;
    void clear();

private:
    ecat::master& master_;
    mutable std::mutex mutex_;
    std::vector<sdo_access> accesses_;
};

} // namespace apptest
