// The real 1 ms cycle against a device that answers every frame.
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <new>
#include <set>
#include <thread>

#include <gtest/gtest.h>

#include "ecat/adapter.h"
#include "ecat/master.h"
#include "platform/echo_link.h"
#include "support/master_test_access.h"

using testsupport::inside;

namespace {

std::atomic<bool> counting{false};
std::atomic<long> foreign_allocations{0};
thread_local bool test_thread = false;

} // namespace

// Counts allocations made by any thread but the test's own while counting is on.
// (malloc/free behind new/delete is what the replaceable operators are for; the
// compiler's mismatch warning does not know that they are replaced here)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size)
{
    if (counting.load(std::memory_order_relaxed) && !test_thread)
        foreign_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

namespace {

// Notices when two threads are inside the device at once, which overlapping ticks would do.
class watching_echo : public platform::echo_link {
public:
    int send(const uint8_t* frame, size_t length) override
    {
        enter();
        int result = echo_link::send(frame, length);
        leave();
        return result;
    }
    int receive(uint8_t* buffer, size_t capacity, int timeout_us) override
    {
        enter();
        int result = echo_link::receive(buffer, capacity, timeout_us);
        leave();
        return result;
    }
    std::atomic<int> most_inside{0};
    std::atomic<int> calls{0};

private:
    void enter()
    {
        int now = ++inside_;
        int seen = most_inside.load();
        while (now > seen && !most_inside.compare_exchange_weak(seen, now)) {
        }
        ++calls;
    }
    void leave() { --inside_; }
    std::atomic<int> inside_{0};
};

TEST(master_cycle, ticks_never_overlap_and_allocate_nothing)
{
    test_thread = true;
    auto link = std::make_shared<watching_echo>();
    const uint8_t mac[6] = {0x00, 0x1B, 0x21, 0x00, 0x00, 0x42};
    ecat::adapter_register_wire("cycle test echo", mac, link);
    ASSERT_EQ(ecat::adapter_list_refresh(), 0);
    ecat::net_device descriptor;
    ASSERT_EQ(ecat::net_device_fill(descriptor, ecat::adapter_count() - 1, 1), 0);

    auto m = std::make_unique<ecat::master>();
    ASSERT_EQ(ecat::master_init(inside(*m), 0, mac), 0);
    ASSERT_NE(ecat::master_attach_device(inside(*m), descriptor), nullptr);
    ASSERT_EQ(ecat::master_device_open(inside(*m).main_device), 0);

    std::this_thread::sleep_for(std::chrono::milliseconds(200)); // warm up
    size_t frames_before = link->frames_sent();
    counting = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
    counting = false;
    size_t frames_during = link->frames_sent() - frames_before;

    ecat::master_clear(inside(*m));
    ecat::adapter_release_all();
    ecat::adapter_unregister_wires();

    EXPECT_GT(frames_during, 100u) << "the cycle kept running";
    EXPECT_EQ(link->most_inside.load(), 1) << "two ticks were inside the device at once";
    EXPECT_EQ(foreign_allocations.load(), 0) << "a tick allocated memory";
}

TEST(master_cycle, clear_stops_the_cycle_for_good)
{
    test_thread = true;
    auto link = std::make_shared<watching_echo>();
    const uint8_t mac[6] = {0x00, 0x1B, 0x21, 0x00, 0x00, 0x43};
    ecat::adapter_register_wire("cycle test echo", mac, link);
    ASSERT_EQ(ecat::adapter_list_refresh(), 0);
    ecat::net_device descriptor;
    ASSERT_EQ(ecat::net_device_fill(descriptor, ecat::adapter_count() - 1, 1), 0);
    auto m = std::make_unique<ecat::master>();
    ASSERT_EQ(ecat::master_init(inside(*m), 0, mac), 0);
    ASSERT_NE(ecat::master_attach_device(inside(*m), descriptor), nullptr);
    ASSERT_EQ(ecat::master_device_open(inside(*m).main_device), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ecat::master_clear(inside(*m));
    int calls = link->calls.load();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(link->calls.load(), calls) << "no tick ran after the clear";
    EXPECT_EQ(inside(*m).tick_running, 0);
    ecat::adapter_release_all();
    ecat::adapter_unregister_wires();
}

} // namespace
