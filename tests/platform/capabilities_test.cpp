#include <cstdio>
#include <fstream>
#include <pthread.h>
#include <sched.h>
#include <string>
#include <sys/capability.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/capabilities.h"
#include "platform/packet_socket_port.h"

namespace {

// The four sets of /proc/self/status joined, e.g. "0000000000000000 0000000000000000 …".
std::string capability_sets()
{
    std::ifstream status("/proc/self/status");
    std::string line, sets;
    while (std::getline(status, line))
        for (const char* key : {"CapInh:", "CapPrm:", "CapEff:", "CapAmb:"})
            if (line.rfind(key, 0) == 0)
                sets += line.substr(line.find_first_not_of(" \t", 7)) + " ";
    return sets;
}

// Runs body in a child process (a dropped capability never comes back) and returns its status.
template <typename Body> int in_child(Body body)
{
    pid_t child = fork();
    if (child == 0)
        _exit(body());
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100;
}

// Whether this process may raise its hard resource limits (root, unless a container's
// bounding set took CAP_SYS_RESOURCE away).
bool may_raise_limits()
{
    cap_t current = cap_get_proc();
    cap_flag_value_t value = CAP_CLEAR;
    cap_get_flag(current, CAP_SYS_RESOURCE, CAP_EFFECTIVE, &value);
    cap_free(current);
    return value == CAP_SET;
}

TEST(drop_all_capabilities, leaves_no_set_and_no_raw_socket_but_keeps_the_cycle_realtime_where_it_may)
{
    bool realtime_kept = may_raise_limits();
    int status = in_child([realtime_kept] {
        std::string error;
        if (!platform::drop_all_capabilities(error))
            return 1;
        if (capability_sets() != "0000000000000000 0000000000000000 0000000000000000 0000000000000000 ")
            return 2;
        if (platform::holds_raw_socket_capability() || socket(AF_PACKET, SOCK_RAW, 0) >= 0)
            return 3;
        sched_param realtime{};
        realtime.sched_priority = 40;
        if (realtime_kept && pthread_setschedparam(pthread_self(), SCHED_FIFO, &realtime) != 0)
            return 4;
        return 0;
    });
    EXPECT_EQ(status, 0) << "1: refused, 2: a set is not empty, 3: raw sockets still open, "
                            "4: the cycle lost its real-time priority";
}

TEST(packet_socket_port, without_a_usable_helper_the_reason_says_how_to_get_access)
{
    // the test program has no libexec/kestio-test beside its folder
    platform::packet_socket_port port;
    std::string error;
    EXPECT_FALSE(port.open("eth0", error));
    EXPECT_FALSE(port.is_open());
    EXPECT_NE(error.find("kestio-adapter-open is missing"), std::string::npos) << error;
    EXPECT_NE(error.find("sudo usermod -aG kestio "), std::string::npos) << error;
}

} // namespace
