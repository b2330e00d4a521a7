// Frames per second through the in-process wire to a bus of 16 generic CoE slaves, and to one
// where the last slave runs the example firmware from its shared library.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "sim/bus/bus_catalog.h"
#include "sim/bus/inprocess_wire.h"

namespace {

void put16(std::vector<uint8_t>& frame, uint16_t value)
{
    frame.push_back(uint8_t(value));
    frame.push_back(uint8_t(value >> 8));
}

// A frame as a master's cycle sends it: the AL status broadcast, a mailbox status check per
// slave and a logical read-write of the process image.
std::vector<uint8_t> cycle_frame(unsigned slaves)
{
    struct datagram {
        uint8_t command;
        uint16_t position;
        uint16_t offset;
        uint16_t length;
    };
    std::vector<datagram> datagrams = {{7, 0, 0x0130, 2}};
    for (unsigned k = 0; k < slaves; ++k)
        datagrams.push_back({4, uint16_t(0x1001 + k), 0x0808, 8});
    datagrams.push_back({12, 0x0000, 0x0001, 64});

    std::vector<uint8_t> frame(6, 0xFF);
    frame.insert(frame.end(), {0x00, 0x1B, 0x21, 0x0A, 0x0B, 0x0C, 0x88, 0xA4, 0, 0});
    for (size_t i = 0; i < datagrams.size(); ++i) {
        const datagram& d = datagrams[i];
        frame.push_back(d.command);
        frame.push_back(uint8_t(i));
        put16(frame, d.position);
        put16(frame, d.offset);
        put16(frame, uint16_t(d.length | (i + 1 < datagrams.size() ? 0x8000 : 0)));
        put16(frame, 0);
        frame.resize(frame.size() + d.length + 2, 0);
    }
    uint16_t header = uint16_t((frame.size() - 16) | 0x1000);
    frame[14] = uint8_t(header);
    frame[15] = uint8_t(header >> 8);
    return frame;
}

void assign_addresses(sim::inprocess_wire& wire, unsigned slaves)
{
    std::vector<uint8_t> frame = cycle_frame(0);
    uint8_t buffer[1514];
    for (unsigned k = 0; k < slaves; ++k) {
        std::vector<uint8_t> apwr(frame.begin(), frame.begin() + 16);
        apwr.insert(
            apwr.end(),
            {2, 0, uint8_t(-k), uint8_t(uint16_t(-k) >> 8), 0x10, 0x00, 2, 0, 0, 0, uint8_t(0x01 + k), 0x10, 0, 0});
        apwr[14] = 14;
        apwr[15] = 0x10;
        apwr.resize(60, 0);
        wire.send(apwr.data(), apwr.size());
        wire.receive(buffer, sizeof buffer, 0);
    }
}

void exchange_frames(benchmark::State& state, std::vector<uint8_t> (*make_frame)(unsigned),
                     const std::string& spec = "generic*16")
{
    constexpr unsigned slaves = 16;
    std::string error;
    std::shared_ptr<sim::bus> segment(sim::make_bus(spec, 1, error));
    if (!segment) {
        state.SkipWithError(error.c_str());
        return;
    }
    sim::inprocess_wire wire(segment);
    assign_addresses(wire, slaves);
    std::vector<uint8_t> frame = make_frame(slaves);
    uint8_t buffer[1514];
    for (auto _ : state) {
        wire.send(frame.data(), frame.size());
        benchmark::DoNotOptimize(wire.receive(buffer, sizeof buffer, 0));
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["frame_bytes"] = double(frame.size());
}

std::vector<uint8_t> without_mailbox_checks(unsigned)
{
    return cycle_frame(0);
}

void BM_inprocess_wire_16_slaves_status_and_process_data(benchmark::State& state)
{
    exchange_frames(state, without_mailbox_checks);
}

void BM_inprocess_wire_16_slaves_cycle_frame(benchmark::State& state)
{
    exchange_frames(state, cycle_frame);
}

// every frame is handed to the firmware's own thread, which the bus waits for
void BM_inprocess_wire_15_slaves_and_firmware_library_cycle_frame(benchmark::State& state)
{
    exchange_frames(state, cycle_frame, std::string("generic*15,firmware=") + EXAMPLE_FIRMWARE + ",sii=" + EXAMPLE_SII);
}

} // namespace

BENCHMARK(BM_inprocess_wire_16_slaves_status_and_process_data);
BENCHMARK(BM_inprocess_wire_16_slaves_cycle_frame);
// wall time: most of the cost is the wait for the other thread
BENCHMARK(BM_inprocess_wire_15_slaves_and_firmware_library_cycle_frame)->UseRealTime();
BENCHMARK_MAIN();
