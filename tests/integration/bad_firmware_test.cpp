// Firmware libraries that break their contract. A library or SII file that is refused stops the
// simulated bus from being built at all, in-process and in kestio-sim, with a message naming the
// slave and the file; a firmware that stops returning is unplugged while the others go on.
#include <dlfcn.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "support/sim_bus_fixture.h"
#include "ecat/sdo_api.h"
#include "sim/bus/bus_catalog.h"
#include "sim/bus/firmware_slave.h"
#include "sim/description/generic_slaves.h"
#include "simulated_adapter/simulated_adapter.h"

namespace {

std::string bad_library(const std::string& fault)
{
    return std::string(BAD_FIRMWARE_DIR) + "/bad_firmware_" + fault + ".so";
}

std::string item(const std::string& library, const std::string& sii = EXAMPLE_SII)
{
    return "firmware=" + library + ",sii=" + sii;
}

struct program_result {
    int status = -1;
    std::string output;
};

program_result run_program(const std::string& command)
{
    program_result result;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return result;
    char buffer[512];
    while (size_t got = fread(buffer, 1, sizeof buffer, pipe))
        result.output.append(buffer, got);
    int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

// The lines a bus writes for the user.
struct captured_messages {
    std::mutex lock;
    std::vector<std::string> lines;

    std::vector<std::string> copy()
    {
        std::lock_guard guard(lock);
        return lines;
    }
};

} // namespace

TEST(bad_firmware, a_refused_file_stops_the_whole_bus_with_a_message_naming_slave_and_file)
{
    const std::string good = item(EXAMPLE_FIRMWARE);
    const struct {
        std::string spec;
        std::string message;
    } cases[] = {
        {"ZEIO," + item(bad_library("no_entry")),
         "slave 1: firmware " + bad_library("no_entry") + " exports no kestio_firmware_entry"},
        {good + "," + item(bad_library("wrong_version")),
         "slave 1: firmware " + bad_library("wrong_version")
             + " was built for firmware interface version 2, this simulator runs version 1"},
        {"generic," + item(bad_library("failing_init")),
         "slave 1: firmware 'bad_firmware_failing_init': init failed (returned 7)"},
        {good + ",generic," + item("/nonexistent/firmware.so"),
         "slave 2: firmware /nonexistent/firmware.so: no such file"},
        {item(EXAMPLE_SII), std::string("slave 0: firmware ") + EXAMPLE_SII + " cannot be loaded: "},
        {item(EXAMPLE_FIRMWARE, EXAMPLE_FIRMWARE), std::string("slave 0: SII ") + EXAMPLE_FIRMWARE},
    };
    for (const auto& bad : cases) {
        std::string error;
        EXPECT_FALSE(sim::make_bus(bad.spec, 1, error)) << bad.spec;
        EXPECT_EQ(error.rfind(bad.message, 0), 0u) << error;
        // the in-process bus of kestio-cli and KestIO_Test refuses with the same message
        std::string adapter_error;
        EXPECT_FALSE(simulated::register_simulated_adapter(bad.spec, adapter_error)) << bad.spec;
        EXPECT_EQ(adapter_error, error);
    }
}

TEST(bad_firmware, the_programs_refuse_it_before_they_open_anything)
{
    const std::string list = "ZEIO," + item(bad_library("wrong_version"));
    const std::string expected = "slave 1: firmware " + bad_library("wrong_version") + " was built for";

    program_result sim = run_program(std::string(KESTIO_SIM_PATH) + " --iface kestio-none0 --slaves " + list);
    EXPECT_EQ(sim.status, 2) << sim.output;
    EXPECT_NE(sim.output.find("kestio-sim: " + expected), std::string::npos) << sim.output;
    EXPECT_EQ(sim.output.find("kestio-none0"), std::string::npos) << "the interface was not tried";

    program_result cli = run_program(std::string(KESTIO_CLI_PATH) + " --simulate=" + list + " slaves");
    EXPECT_EQ(cli.status, 1) << cli.output;
    EXPECT_NE(cli.output.find("--simulate: " + expected), std::string::npos) << cli.output;

    // with good files kestio-sim gets as far as the interface, and --slave adds the same item
    program_result good = run_program(std::string(KESTIO_SIM_PATH) + " --iface kestio-none0 --slaves ZEIO --slave "
                                      + item(EXAMPLE_FIRMWARE));
    EXPECT_EQ(good.status, 1) << good.output;
    EXPECT_NE(good.output.find("cannot open kestio-none0"), std::string::npos) << good.output;
}

class spinning_firmware : public testsupport::bus_fixture { };

TEST_F(spinning_firmware, is_unplugged_with_a_message_naming_it_and_the_others_go_on)
{
    // the test holds the library too, to see the spinning call give up once its reads are refused
    void* library = dlopen(bad_library("spinning_run").c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_TRUE(library) << dlerror();
    auto* spin_ended = static_cast<volatile int*>(dlsym(library, "spin_ended"));
    ASSERT_TRUE(spin_ended);

    auto messages = std::make_shared<captured_messages>();
    bus->messages()->set_output([messages](const std::string& line) {
        std::lock_guard guard(messages->lock);
        messages->lines.push_back(line);
    });
    bus->add_slave(sim::generic_coe_slave(1));
    bus->add_slave(sim::generic_coe_slave(2));
    std::string error;
    auto spinner = sim::make_firmware_slave({bad_library("spinning_run"), EXAMPLE_SII, "spinner"}, bus->messages(),
                                            error, std::chrono::milliseconds(100));
    ASSERT_TRUE(spinner) << error;
    bus->add_slave(std::move(spinner));
    start();

    ASSERT_TRUE(wait_for([&] { return !messages->copy().empty(); }));
    EXPECT_EQ(messages->copy(),
              (std::vector<std::string>{"slave 2: firmware 'spinner': run did not return within 100 ms; unplugged"}));
    EXPECT_TRUE(wait_for([&] { return *spin_ended == 1; }, 5000)) << "the late call's reads were not refused";

    ASSERT_TRUE(wait_ready(2));
    std::vector<uint8_t> value(64);
    size_t size = 0;
    uint32_t abort_code = 0;
    for (uint16_t position : {0, 1})
        EXPECT_EQ(master_sdo_upload(*m, position, 0x1008, 0, value.data(), value.size(), &size, &abort_code), 0)
            << position;
    EXPECT_EQ(messages->copy().size(), 1u) << "one message, however many frames followed";
    dlclose(library);
}
