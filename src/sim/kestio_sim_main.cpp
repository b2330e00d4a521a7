// kestio-sim: the simulated EtherCAT bus answering on a network interface until stopped.
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/capabilities.h"
#include "platform/raw_port.h"
#include "sim/bus/bus_catalog.h"
#include "sim/cards/card_fault_commands.h"
#include "sim/cards/card_jig.h"
#include "sim/chip/ethercat_frame.h"
#include "sim/bus/fault_commands.h"
#include "sim/bus/sim_options.h"

namespace {

std::atomic<bool> stop_requested{false};

void request_stop(int)
{
    stop_requested = true;
}

// Faults typed while the bus runs; the bus is shared so that it outlives a reader still
// waiting for input when the program ends.
void read_fault_commands(std::shared_ptr<sim::bus> segment)
{
    std::thread([segment] {
        std::string line, error;
        while (std::getline(std::cin, line)) {
            if (line == "help") {
                std::fputs(sim::fault_command_help, stdout);
                std::fputs(sim::cards::card_fault_help, stdout);
            } else if (!sim::run_fault_command(line, *segment, error))
                std::fprintf(stderr, "kestio-sim: %s", error.c_str());
            std::fflush(stdout);
        }
    }).detach();
}

constexpr const char* card_pty_usage =
    "  --card-pty N          put the serial line of card N on a new pseudo terminal (repeatable)\n";

// Takes the --card-pty options out of the arguments: the positions of the cards whose
// serial line goes to a pseudo terminal instead of the jig's loop-back.
bool take_card_ptys(std::vector<std::string>& arguments, std::vector<uint64_t>& cards, std::string& error)
{
    std::vector<std::string> rest;
    for (size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] != "--card-pty") {
            rest.push_back(arguments[i]);
            continue;
        }
        uint64_t position = 0;
        if (i + 1 >= arguments.size() || !sim::parse_unsigned(arguments[i + 1], 511, position)) {
            error = "--card-pty takes a slave position";
            return false;
        }
        cards.push_back(position);
        ++i;
    }
    arguments = std::move(rest);
    return true;
}

bool bind_card_ptys(sim::bus& segment, const std::vector<uint64_t>& cards, std::string& error)
{
    for (uint64_t position : cards) {
        std::string path;
        if (!sim::cards::bind_serial_to_pty(segment, size_t(position), path, error))
            return false;
        std::printf("kestio-sim: serial line of card %llu on %s\n", static_cast<unsigned long long>(position),
                    path.c_str());
    }
    return true;
}

void install_stop_handlers()
{
    struct sigaction action = {};
    action.sa_handler = request_stop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> arguments(argv + 1, argv + argc);
    sim::sim_options options;
    std::string error;
    std::vector<uint64_t> pty_cards;
    if (!take_card_ptys(arguments, pty_cards, error) || !sim::parse_sim_options(arguments, options, error)) {
        std::fprintf(stderr, "kestio-sim: %s\n%s%s", error.c_str(), sim::sim_usage, card_pty_usage);
        return 2;
    }
    if (options.help) {
        std::fputs(sim::sim_usage, stdout);
        std::fputs(card_pty_usage, stdout);
        std::fputs(sim::fault_command_help, stdout);
        std::fputs(sim::cards::card_fault_help, stdout);
        return 0;
    }
    // no capability while firmware libraries load; the interface is opened afterwards
    // through the adapter helper, so a refused file stops the program before it is tried
    if (!platform::drop_all_capabilities(error)) {
        std::fprintf(stderr, "kestio-sim: %s\n", error.c_str());
        return 1;
    }
    std::shared_ptr<sim::bus> segment = sim::make_bus(sim::slave_list(options), options.seed, error);
    if (!segment || !sim::apply_faults(options, *segment, error) || !bind_card_ptys(*segment, pty_cards, error)) {
        std::fprintf(stderr, "kestio-sim: %s\n", error.c_str());
        return 2;
    }
    segment->messages()->set_output([](const std::string& line) {
        std::fprintf(stderr, "kestio-sim: %s\n", line.c_str());
        std::fflush(stderr);
    });
    auto start = std::chrono::steady_clock::now();
    segment->set_time_source([start] {
        return uint64_t(
            std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start).count());
    });
    std::unique_ptr<platform::frame_link> port = platform::open_raw_port(options.interface, error);
    if (!port) {
        std::fprintf(stderr, "kestio-sim: cannot open %s: %s\n", options.interface.c_str(), error.c_str());
        return 1;
    }
    install_stop_handlers();
    read_fault_commands(segment);
    std::printf("kestio-sim: %zu slaves answering on %s\n", segment->slave_count(), options.interface.c_str());
    std::fflush(stdout);

    std::vector<uint8_t> frame(sim::max_frame_size + 64);
    while (!stop_requested) {
        int length = port->receive(frame.data(), frame.size(), 100'000);
        if (length < 0) {
            std::fprintf(stderr, "kestio-sim: receiving on %s failed\n", options.interface.c_str());
            return 1;
        }
        if (length == 0)
            continue;
        for (const std::vector<uint8_t>& reply : segment->transmit(frame.data(), size_t(length)))
            port->send(reply.data(), reply.size());
    }
    sim::bus::statistics counters = segment->counters();
    std::printf("kestio-sim: stopped after %llu frames (%llu answered)\n",
                static_cast<unsigned long long>(counters.frames_in), static_cast<unsigned long long>(counters.replies));
    return 0;
}
