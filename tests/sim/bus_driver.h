#pragma once
#include <cstdint>
#include <optional>
#include <vector>

#include "frame_builder.h"
#include "sim/bus/bus.h"

namespace simtest {

// Plays the master for the simulator's tests: one hand-built frame per call.
class bus_driver {
public:
    explicit bus_driver(sim::bus& segment) : bus_(segment) { }

    // Sends the datagrams in one frame; the returned datagrams, or nothing when no frame came back.
    std::optional<std::vector<datagram>> exchange(const std::vector<datagram>& datagrams);
    // One datagram; a lost frame fails the test and returns a datagram with counter 0xFFFF.
    datagram exchange(const datagram& request);

    datagram fprd(uint16_t station, uint16_t offset, size_t size);
    datagram fpwr(uint16_t station, uint16_t offset, std::vector<uint8_t> data);
    datagram aprd(uint16_t position, uint16_t offset, size_t size);
    datagram apwr(uint16_t position, uint16_t offset, std::vector<uint8_t> data);
    datagram brd(uint16_t offset, size_t size);
    datagram bwr(uint16_t offset, std::vector<uint8_t> data);

    // Gives the slave at ring position k the station address first + k.
    void assign_addresses(size_t count, uint16_t first = 0x1001);
    void request_state(uint16_t station, uint16_t control);
    uint8_t al_status(uint16_t station);
    uint16_t al_status_code(uint16_t station);
    // SM0 and SM1 as the generic slave's SII describes them (0x1000 and 0x1080, 128 bytes each).
    void configure_mailbox(uint16_t station, uint16_t receive = 0x1000, uint16_t send = 0x1080, uint16_t size = 128);
    // Configures the mailbox and requests PREOP; true when the slave got there.
    bool bring_to_preop(uint16_t station);
    uint16_t sii_word(uint16_t station, uint16_t address);

    // Writes a whole mailbox (padded to its size); returns the working counter.
    uint16_t mailbox_write(uint16_t station, const std::vector<uint8_t>& mailbox, uint16_t offset = 0x1000,
                           uint16_t size = 128);
    bool send_mailbox_full(uint16_t station, uint16_t sm = 1);
    // Reads SM1 once it shows full; nothing when it stays empty for a few polls.
    std::optional<std::vector<uint8_t>> mailbox_read(uint16_t station, uint16_t offset = 0x1080, uint16_t size = 128);

private:
    sim::bus& bus_;
    uint8_t index_ = 0;
};

} // namespace simtest
