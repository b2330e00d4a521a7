#pragma once
#include <memory>
#include <string>

#include "card/card_ops.h"
#include "sim/bus/bus_catalog.h"
#include "sim/cards/card_jig.h"
#include "support/sim_bus_fixture.h"

namespace cardtest {

// The master on a simulated bus of cards, with the cards' objects read back from the cards.
class card_bus_fixture : public testsupport::bus_fixture {
protected:
    void start(const std::string& spec) { start(make(spec)); }
    static std::shared_ptr<sim::bus> make(const std::string& spec)
    {
        std::string error;
        std::shared_ptr<sim::bus> made = sim::make_bus(spec, 3, error);
        EXPECT_TRUE(made) << error;
        return made;
    }
    void start(std::shared_ptr<sim::bus> cards)
    {
        bus = std::move(cards);
        bus_fixture::start();
        ASSERT_TRUE(wait_ready(unsigned(bus->slave_count())));
    }

    card::card_counters counters;

    template <typename F> static bool wait_until(F condition, int timeout_ms = 5000)
    {
        return wait_for(condition, timeout_ms);
    }

    // What the simulated card holds, read past its SDO server.
    uint64_t card_number(size_t id, uint16_t index, uint8_t subindex) { return sim_number(id, index, subindex); }
    void set_card_number(size_t id, uint16_t index, uint8_t subindex, uint64_t value)
    {
        set_sim_number(id, index, subindex, value);
    }
};

} // namespace cardtest
