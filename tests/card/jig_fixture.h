#pragma once
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "sim/bus/bus.h"
#include "sim/bus/bus_catalog.h"
#include "sim/cards/card_jig.h"

namespace cardtest {

// A bus of card models driven without a master: objects are read and written through each
// card's dictionary as its SDO server would, and time moves with frames sent to the bus.
class jig_fixture : public ::testing::Test {
protected:
    void make(const std::string& spec, uint64_t seed = 1)
    {
        std::string error;
        bus = sim::make_bus(spec, seed, error);
        ASSERT_TRUE(bus) << error;
    }

    // Runs f on the dictionary of card id, under the bus lock.
    template <typename F> auto on_card(size_t id, F&& f)
    {
        return bus->with_slave(id, [&](sim::slave& s) { return f(sim::cards::card_of(s)->dictionary()); });
    }

    // The SDO abort code of a download (0 when the card took it).
    uint32_t write(size_t id, uint16_t index, uint8_t subindex, uint64_t value, size_t size)
    {
        std::vector<uint8_t> bytes(size);
        for (size_t i = 0; i < size; ++i)
            bytes[i] = uint8_t(value >> (8 * i));
        return on_card(id, [&](sim::object_dictionary& d) { return d.write(index, subindex, bytes.data(), size); });
    }
    uint32_t read_abort(size_t id, uint16_t index, uint8_t subindex)
    {
        std::vector<uint8_t> out;
        return on_card(id, [&](sim::object_dictionary& d) { return d.read(index, subindex, out); });
    }
    std::vector<uint8_t> read_bytes(size_t id, uint16_t index, uint8_t subindex)
    {
        std::vector<uint8_t> out;
        uint32_t abort = on_card(id, [&](sim::object_dictionary& d) { return d.read(index, subindex, out); });
        EXPECT_EQ(abort, 0u) << std::hex << index << ":" << int(subindex);
        return out;
    }
    uint64_t read(size_t id, uint16_t index, uint8_t subindex)
    {
        uint64_t value = 0;
        std::vector<uint8_t> bytes = read_bytes(id, index, subindex);
        for (size_t i = 0; i < bytes.size() && i < 8; ++i)
            value |= uint64_t(bytes[i]) << (8 * i);
        return value;
    }

    // Frames as a master's cycle sends them; each runs every card's main loop once.
    void frames(unsigned count)
    {
        // one broadcast read of the AL status
        static const std::vector<uint8_t> frame = [] {
            std::vector<uint8_t> f = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x02, 0, 0, 0, 0, 1, 0x88, 0xA4, 0x0E,
                                      0x10, 7,    0,    0,    0,    0x30, 0x01, 2, 0, 0, 0, 0, 0,    0,    0};
            f.resize(60, 0);
            return f;
        }();
        for (unsigned i = 0; i < count; ++i)
            bus->transmit(frame.data(), frame.size());
    }

    std::unique_ptr<sim::bus> bus;
};

} // namespace cardtest
