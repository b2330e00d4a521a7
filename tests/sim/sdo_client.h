#pragma once
#include <cstdint>
#include <optional>
#include <vector>

#include "bus_driver.h"

namespace simtest {

// A mailbox with its 6-byte header around service data.
std::vector<uint8_t> mailbox_message(const std::vector<uint8_t>& service_data, uint8_t type = 3, uint8_t counter = 0);
// CoE SDO request service data: header 0x2000, command, index, subindex, then the bytes given.
std::vector<uint8_t> sdo_request(uint8_t command, uint16_t index, uint8_t subindex,
                                 std::vector<uint8_t> rest = {0, 0, 0, 0});

struct sdo_result {
    bool completed = false;
    uint32_t abort_code = 0;
    std::vector<uint8_t> data;
};

// An SDO client written from the CoE rules, for driving the simulated server.
class sdo_client {
public:
    sdo_client(bus_driver& driver, uint16_t station, uint16_t mailbox_size = 128);

    // Sends one CoE mailbox and returns the service data of the next reply that is not an
    // emergency; last_type() tells the reply's mailbox type.
    std::optional<std::vector<uint8_t>> request(const std::vector<uint8_t>& service_data);
    sdo_result upload(uint16_t index, uint8_t subindex);
    sdo_result download(uint16_t index, uint8_t subindex, const std::vector<uint8_t>& data);

    uint8_t last_type() const { return last_type_; }
    unsigned emergencies() const { return emergencies_; }
    unsigned segments() const { return segments_; }

private:
    bool is_abort(const std::vector<uint8_t>& reply, sdo_result& result) const;

    bus_driver& driver_;
    uint16_t station_;
    uint16_t mailbox_size_;
    uint8_t last_type_ = 0;
    unsigned emergencies_ = 0;
    unsigned segments_ = 0;
};

} // namespace simtest
