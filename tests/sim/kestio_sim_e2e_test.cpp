// kestio-sim answering on one end of a veth pair inside a network namespace, asked from the
// other end through libpcap. Needs root to create the namespace; skipped where not allowed.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "frame_builder.h"
#include "platform/pcap_port.h"

using namespace simtest;

namespace {

bool run(const std::string& command)
{
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

// Everything this test creates, removed again however the test ends.
struct veth_in_namespace {
    std::string tag = std::to_string(getpid());
    std::string name_space = "ksim" + tag;
    std::string outside = "ksa" + tag;
    std::string inside = "ksb" + tag;
    bool namespace_made = false;
    pid_t simulator = -1;
    int simulator_output = -1; // kept open so that its last line does not meet a closed pipe

    ~veth_in_namespace()
    {
        stop_simulator(SIGKILL);
        if (simulator_output >= 0)
            close(simulator_output);
        run("ip link del " + outside);
        if (namespace_made)
            run("ip netns del " + name_space);
    }

    int stop_simulator(int signal_number)
    {
        if (simulator < 0)
            return -1;
        kill(simulator, signal_number);
        int status = 0;
        for (int wait = 0; wait < 500; ++wait) {
            if (waitpid(simulator, &status, WNOHANG) == simulator) {
                simulator = -1;
                return status;
            }
            usleep(10'000);
        }
        kill(simulator, SIGKILL);
        waitpid(simulator, &status, 0);
        simulator = -1;
        return -1;
    }

    // Starts kestio-sim inside the namespace and waits for its ready line.
    bool start_simulator(std::string& ready_line)
    {
        int out[2];
        if (pipe(out) != 0)
            return false;
        simulator = fork();
        if (simulator == 0) {
            dup2(out[1], STDOUT_FILENO);
            close(out[0]);
            execlp("ip", "ip", "netns", "exec", name_space.c_str(), KESTIO_SIM_PATH, "--iface", inside.c_str(),
                   "--slaves", "generic*3", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(out[1]);
        simulator_output = out[0];
        pollfd waiter{out[0], POLLIN, 0};
        char text[256] = {};
        ssize_t got = 0;
        if (poll(&waiter, 1, 10'000) > 0)
            got = read(out[0], text, sizeof text - 1);
        ready_line.assign(text, got > 0 ? size_t(got) : 0);
        return ready_line.find("answering on") != std::string::npos;
    }
};

} // namespace

TEST(kestio_sim_on_veth, answers_a_broadcast_read_with_the_working_counter_of_three_slaves)
{
    if (geteuid() != 0) {
        std::printf("skipped: creating a network namespace needs root\n");
        GTEST_SKIP() << "not root";
    }
    veth_in_namespace net;
    if (!run("ip netns add " + net.name_space)) {
        std::printf("skipped: 'ip netns add' is not allowed here\n");
        GTEST_SKIP() << "no network namespaces";
    }
    net.namespace_made = true;
    ASSERT_TRUE(run("ip link add " + net.outside + " type veth peer name " + net.inside + " netns " + net.name_space));
    // a universally administered address, so the slaves' mark on the reply can be seen
    ASSERT_TRUE(run("ip link set dev " + net.outside + " address 00:1b:21:0a:0b:0c"));
    ASSERT_TRUE(run("ip link set dev " + net.outside + " up"));
    ASSERT_TRUE(run("ip netns exec " + net.name_space + " ip link set dev " + net.inside + " up"));

    std::string ready;
    ASSERT_TRUE(net.start_simulator(ready)) << "kestio-sim said: " << ready;

    platform::pcap_port port;
    std::string error;
    ASSERT_TRUE(port.open(net.outside, error)) << error;
    std::vector<uint8_t> frame = build_frame({physical(BRD, 0, 0x0130, {0, 0})});
    std::vector<datagram> reply;
    std::vector<uint8_t> buffer(1600);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (reply.empty() && std::chrono::steady_clock::now() < deadline) {
        ASSERT_EQ(port.send(frame.data(), frame.size()), 0);
        int length = port.receive(buffer.data(), buffer.size(), 200'000);
        ASSERT_GE(length, 0);
        if (length > 0 && (buffer[6] & 0x02))
            reply = parse_frame(std::vector<uint8_t>(buffer.begin(), buffer.begin() + length));
    }
    ASSERT_EQ(reply.size(), 1u) << "no answer from kestio-sim";
    EXPECT_EQ(reply[0].working_counter, 3);
    EXPECT_EQ(reply[0].data[0], 0x01);

    int status = net.stop_simulator(SIGTERM);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
}
