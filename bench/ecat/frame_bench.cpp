// Frame assembly and parsing: what one cycle spends on its frame.
#include <cstring>
#include <memory>
#include <vector>

#include <benchmark/benchmark.h>

#include "ecat/master.h"

namespace {

const uint8_t mac[6] = {0x00, 0x1B, 0x21, 0x00, 0x00, 0x01};
std::vector<uint8_t> last_frame;

int keep_frame(const ecat::frame_view& frame, ecat::net_device&)
{
    last_frame.assign(frame.data, frame.data + frame.length);
    return 0;
}

struct bench_master {
    bench_master(int datagrams, size_t size)
    {
        ecat::master_init(*m, 0, mac);
        std::memcpy(descriptor.mac, mac, 6);
        descriptor.send = keep_frame;
        ecat::master_attach_device(*m, descriptor);
        for (int i = 0; i < datagrams; ++i) {
            auto& d = queued.emplace_back(std::make_unique<ecat::datagram>());
            ecat::datagram_fprd(*d, static_cast<uint16_t>(i + 1), 0x1000, size);
            ecat::datagram_zero(*d);
        }
        last_frame.reserve(1514);
    }
    ~bench_master() { ecat::master_clear(*m); }

    // the frame code works on the inside of a master; nothing else of a master is needed here
    std::unique_ptr<ecat::master_core> m = std::make_unique<ecat::master_core>();
    ecat::net_device descriptor;
    std::vector<std::unique_ptr<ecat::datagram>> queued;
};

// Queues N datagrams of the given size and packs them into frames.
void frame_assembly(benchmark::State& state)
{
    bench_master bench(static_cast<int>(state.range(0)), static_cast<size_t>(state.range(1)));
    for (auto _ : state) {
        for (auto& d : bench.queued)
            ecat::master_queue_datagram(*bench.m, *d);
        ecat::master_send_frames(*bench.m, 0);
        ecat::master_timeout_datagrams(*bench.m);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(frame_assembly)->Args({1, 2})->Args({16, 140})->Args({10, 140});

// Matches a reply frame of N datagrams against the queue.
void frame_parsing(benchmark::State& state)
{
    bench_master bench(static_cast<int>(state.range(0)), static_cast<size_t>(state.range(1)));
    for (auto _ : state) {
        state.PauseTiming();
        for (auto& d : bench.queued)
            ecat::master_queue_datagram(*bench.m, *d);
        ecat::master_send_frames(*bench.m, 0);
        std::vector<uint8_t> reply(last_frame.begin() + 14, last_frame.end());
        state.ResumeTiming();
        ecat::master_receive_frame(*bench.m, reply.data(), reply.size());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(frame_parsing)->Args({1, 2})->Args({10, 140});

} // namespace

BENCHMARK_MAIN();
