#pragma once
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "card/card_ops.h"
#include "ecat/adapter.h"
#include "ecat/fsm/slave_request.h"
#include "ecat/session.h"
#include "sim/bus/bus.h"
#include "sim/bus/bus_catalog.h"
#include "sim/cards/card_jig.h"
#include "sim/bus/inprocess_wire.h"

namespace cardtest {

// A master of its own on an in-process bus of cards, started through the adapter layer
// like the program, with the cards' objects read back from the simulated cards.
class card_bus_fixture : public ::testing::Test {
protected:
    static constexpr uint8_t mac[6] = {0x02, 0x00, 0x4B, 0x49, 0x4F, 0x7F};

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
        card::reset_card_counters();
        ecat::adapter_register_wire("card bus", mac, std::make_shared<sim::inprocess_wire>(bus));
        ASSERT_EQ(ecat::adapter_list_refresh(), 0);
        ASSERT_EQ(ecat::session_open(*m, descriptor, ecat::adapter_count() - 1, 1), 0);
        started = true;
        ASSERT_TRUE(wait_ready(unsigned(bus->slave_count())));
    }

    void TearDown() override
    {
        if (started)
            ecat::session_close(*m);
        ecat::adapter_release_all();
        ecat::adapter_unregister_wires();
    }

    bool wait_ready(unsigned count) { return ecat::session_wait_settled(*m, 10000, int(count)); }

    template <typename F>
    static bool wait_until(F condition, int timeout_ms = 5000)
    {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
        while (!condition()) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }

    // What the simulated card holds, read past its SDO server.
    uint64_t card_number(size_t id, uint16_t index, uint8_t subindex)
    {
        return bus->with_slave(id, [&](sim::slave& s) { return dictionary_of(s).number(index, subindex); });
    }
    void set_card_number(size_t id, uint16_t index, uint8_t subindex, uint64_t value)
    {
        bus->with_slave(id, [&](sim::slave& s) { return dictionary_of(s).set_number(index, subindex, value); });
    }
    static sim::object_dictionary& dictionary_of(sim::slave& s)
    {
        return static_cast<sim::standard_application&>(s.application()).dictionary();
    }

    std::shared_ptr<sim::bus> bus;
    std::unique_ptr<ecat::master> m = std::make_unique<ecat::master>();
    ecat::net_device descriptor;
    bool started = false;
};

} // namespace cardtest
