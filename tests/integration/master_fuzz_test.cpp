// The master's receive path against replies mutated like those of broken slaves: while
// a share of the replies lie (lengths, index, working counters, mailbox and CoE headers,
// SII words, AL status, truncation), callers keep writing and reading back objects of
// every transfer kind. No value may be delivered that the slave does not hold, no call
// may hang, and once the mutation stops the master serves every request again.
//
// KESTIO_FUZZ_FRAMES sets how many frames the mutated phase lasts (default 20000, about
// 20 s; the long run is KESTIO_FUZZ_FRAMES=200000).
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <random>
#include <thread>

#include "support/sim_bus_fixture.h"
#include "ecat/sdo_api.h"
#include "ecat/session.h"
#include "sim/description/generic_slaves.h"
#include "support/master_test_access.h"

using testsupport::inside;

using namespace ecat;

namespace {

constexpr unsigned slave_count = 3;
// Longer than any blocking call's own limit: a call that takes this long has hung.
constexpr auto hang_limit = std::chrono::seconds(15);

uint64_t fuzz_frames()
{
    const char* text = std::getenv("KESTIO_FUZZ_FRAMES");
    uint64_t frames = text ? std::strtoull(text, nullptr, 10) : 0;
    return frames ? frames : 20000;
}

// What the master shows when it did not settle, for the failure message.
std::string describe(const ecat::bus_status& status)
{
    std::string text = "slaves " + std::to_string(status.slave_count) + ", responding "
        + std::to_string(status.slaves_responding) + (status.scan_busy ? ", scanning" : "")
        + (status.settled ? ", settled" : ", not settled") + "; AL states:";
    for (size_t i = 0; i < std::min<size_t>(status.al_states.size(), 8); ++i)
        text += " " + std::to_string(status.al_states[i]) + (status.error_flags[i] ? "(error)" : "");
    if (status.al_states.size() > 8)
        text += " ...";
    return text;
}

struct outcome {
    std::atomic<uint64_t> uploads_ok{0};
    std::atomic<uint64_t> downloads_ok{0};
    std::atomic<uint64_t> failures{0};
    std::atomic<uint64_t> wrong_values{0};
    std::atomic<uint64_t> hung_calls{0};
};

class master_fuzz : public testsupport::bus_fixture {
protected:
    // One round on a slave: write a fresh value (word, double word or the 200-byte block)
    // and read it back. A read that succeeds must show what the slave holds.
    void round(uint16_t position, std::mt19937& random, outcome& result)
    {
        const uint8_t subindex = uint8_t(2 + random() % 3); // 0x5000:02..04, or the block
        const bool block = random() % 4 == 0;
        const uint16_t index = block ? 0x5001 : 0x5000;
        const uint8_t sub = block ? 0 : subindex;
        const size_t size = block ? 200 : size_t(1) << (sub - 1);
        std::vector<uint8_t> value(size);
        for (uint8_t& byte : value)
            byte = uint8_t(random());

        auto timed = [&](auto call) {
            auto start = std::chrono::steady_clock::now();
            int code = call();
            if (std::chrono::steady_clock::now() - start > hang_limit)
                ++result.hung_calls;
            return code;
        };
        uint32_t abort_code = 0;
        int written =
            timed([&] { return master_sdo_download(*m, position, index, sub, value.data(), size, &abort_code); });
        written == 0 ? ++result.downloads_ok : ++result.failures;

        std::vector<uint8_t> read(size);
        size_t read_size = 0;
        int got = timed([&] {
            return master_sdo_upload(*m, position, index, sub, read.data(), read.size(), &read_size, &abort_code);
        });
        if (got != 0) {
            ++result.failures;
            return;
        }
        ++result.uploads_ok;
        // only this thread writes the object, so what the slave holds now is what it held
        std::vector<uint8_t> held = sim_value(position, index, sub);
        if (read_size != held.size() || !std::equal(held.begin(), held.end(), read.begin()))
            ++result.wrong_values;
    }

    void run_callers(outcome& result, const std::function<bool()>& keep_going)
    {
        std::vector<std::thread> callers;
        for (uint16_t position = 0; position < slave_count; ++position)
            callers.emplace_back([&, position] {
                std::mt19937 random(position + 1);
                while (keep_going())
                    round(position, random, result);
            });
        for (auto& caller : callers)
            caller.join();
    }
};

TEST_F(master_fuzz, mutated_replies_never_deliver_a_wrong_value_nor_hang_and_the_master_recovers)
{
    for (uint32_t serial = 1; serial <= slave_count; ++serial)
        bus->add_slave(sim::generic_coe_slave(serial));
    start();
    ASSERT_TRUE(wait_ready(slave_count));

    const uint64_t frames = fuzz_frames();
    const uint64_t first_frame = bus->counters().frames_in;
    const unsigned scans_before = inside(*m).scans_started;
    bus->set_mutation_probability(0.02);
    outcome fuzzed;
    run_callers(fuzzed, [&] { return bus->counters().frames_in - first_frame < frames; });
    bus->set_mutation_probability(0);
    sim::bus::statistics seen = bus->counters();

    EXPECT_EQ(fuzzed.wrong_values, 0u);
    EXPECT_EQ(fuzzed.hung_calls, 0u);
    EXPECT_GT(seen.mutated, frames / 100) << "too few replies were mutated to mean anything";
    EXPECT_GT(fuzzed.uploads_ok, 0u) << "nothing got through the mutated phase";
    std::printf("fuzzed %llu frames, %llu mutated; %llu uploads and %llu downloads succeeded, %llu failed; "
                "%u scans\n",
                (unsigned long long)(seen.frames_in - first_frame), (unsigned long long)seen.mutated,
                (unsigned long long)fuzzed.uploads_ok.load(), (unsigned long long)fuzzed.downloads_ok.load(),
                (unsigned long long)fuzzed.failures.load(), inside(*m).scans_started - scans_before);

    // after the mutation the master rescans as needed and serves every request again
    ASSERT_TRUE(wait_ready(slave_count, 30000))
        << describe(ecat::session_status(*m)) << "; rescan pending " << inside(*m).fsm.rescan_pending << " after "
        << inside(*m).fsm.scan_repeats << " repeats";
    outcome after;
    std::atomic<int> rounds{0};
    run_callers(after, [&] { return rounds++ < int(slave_count) * 20; });
    EXPECT_EQ(after.wrong_values, 0u);
    EXPECT_EQ(after.failures, 0u);
    EXPECT_EQ(after.hung_calls, 0u);
}

} // namespace
