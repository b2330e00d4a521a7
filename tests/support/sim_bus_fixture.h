#pragma once
#include <chrono>
#include <memory>
#include <mutex>
#include <vector>
#include <thread>

#include <gtest/gtest.h>

#include "ecat/adapter.h"
#include "ecat/session.h"
#include "sim/bus/bus.h"
#include "sim/bus/inprocess_wire.h"
#include "sim/firmware/standard_application.h"

namespace testsupport {

// Keeps every frame the adapter layer sends while it lives.
class frame_recorder : public ecat::frame_tap {
public:
    frame_recorder() { ecat::adapter_set_tap(this); }
    ~frame_recorder() override { ecat::adapter_set_tap(nullptr); }
    void frame(const uint8_t* data, size_t length, bool sent) override
    {
        std::lock_guard lock(mutex_);
        if (sent)
            sent_.emplace_back(data, data + length);
    }
    std::vector<std::vector<uint8_t>> sent()
    {
        std::lock_guard lock(mutex_);
        return sent_;
    }

private:
    std::mutex mutex_;
    std::vector<std::vector<uint8_t>> sent_;
};

// A master of its own on an in-process simulated bus, started through the adapter
// layer and the session API like the real program, and stopped at the end of the test.
class bus_fixture : public ::testing::Test {
protected:
    static constexpr uint8_t mac[6] = {0x02, 0x00, 0x4B, 0x49, 0x4F, 0x7E};

    void TearDown() override { stop(); }

    void start()
    {
        ecat::adapter_register_wire("integration bus", mac, std::make_shared<sim::inprocess_wire>(bus));
        ASSERT_EQ(ecat::adapter_list_refresh(), 0);
        ASSERT_EQ(ecat::session_open(*m, descriptor, ecat::adapter_count() - 1, 1), 0);
        started = true;
    }

    void stop()
    {
        if (started)
            ecat::session_close(*m);
        started = false;
        ecat::adapter_release_all();
        ecat::adapter_unregister_wires();
    }

    // Waits until `count` slaves are scanned and every request machine can take requests.
    bool wait_ready(unsigned count, int timeout_ms = 10000)
    {
        return ecat::session_wait_settled(*m, timeout_ms, int(count));
    }

    template <class F> static bool wait_for(F condition, int timeout_ms = 10000)
    {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
        while (std::chrono::steady_clock::now() < deadline) {
            if (condition())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return condition();
    }

    // The object dictionary of a simulated slave, read under the bus lock.
    uint64_t sim_number(size_t id, uint16_t index, uint8_t subindex)
    {
        return bus->with_slave(id, [&](sim::slave& s) {
            return static_cast<sim::standard_application&>(s.application()).dictionary().number(index, subindex);
        });
    }
    void set_sim_number(size_t id, uint16_t index, uint8_t subindex, uint64_t value)
    {
        bus->with_slave(id, [&](sim::slave& s) {
            return static_cast<sim::standard_application&>(s.application())
                .dictionary()
                .set_number(index, subindex, value);
        });
    }
    std::vector<uint8_t> sim_value(size_t id, uint16_t index, uint8_t subindex)
    {
        return bus->with_slave(id, [&](sim::slave& s) {
            return static_cast<sim::standard_application&>(s.application()).dictionary().value(index, subindex);
        });
    }
    uint8_t sim_al_state(size_t id)
    {
        // what the chip shows in its AL status register
        return bus->with_slave(id, [&](sim::slave& s) { return s.controller().peek(0x0130); });
    }

    std::shared_ptr<sim::bus> bus = std::make_shared<sim::bus>(7);
    std::unique_ptr<ecat::master> m = std::make_unique<ecat::master>();
    ecat::net_device descriptor;
    bool started = false;
};

} // namespace testsupport
