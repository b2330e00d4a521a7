#include "platform/adapter_helper_client.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <pwd.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <poll.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr int helper_answer_wait_ms = 5000;

// The folder above this program's own: /usr for /usr/bin/kestio-cli.
std::string own_program_prefix()
{
    char path[4096];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    std::string program = n > 0 ? std::string(path, size_t(n)) : std::string("./program");
    std::string folder = program.substr(0, program.find_last_of('/'));
    return folder.substr(0, folder.find_last_of('/'));
}

std::string user_name()
{
    passwd* entry = getpwuid(getuid());
    return entry ? entry->pw_name : "USER";
}

struct helper_answer {
    std::string text;
    int fd = -1;
};

// Waits for the helper's one message; a descriptor may come with it.
bool receive_answer(int channel, helper_answer& answer)
{
    pollfd waiter{channel, POLLIN, 0};
    if (poll(&waiter, 1, helper_answer_wait_ms) <= 0)
        return false;
    char text[512];
    iovec part{text, sizeof text};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    msghdr message{};
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    ssize_t length = recvmsg(channel, &message, MSG_CMSG_CLOEXEC);
    if (length <= 0)
        return false;
    answer.text.assign(text, size_t(length));
    for (cmsghdr* header = CMSG_FIRSTHDR(&message); header; header = CMSG_NXTHDR(&message, header))
        if (header->cmsg_level == SOL_SOCKET && header->cmsg_type == SCM_RIGHTS)
            std::memcpy(&answer.fd, CMSG_DATA(header), sizeof answer.fd);
    return true;
}

// Runs the helper with one argument, its standard output on a Unix socket to us, and an
// empty environment. Returns false with the reason when it could not be run or said nothing.
bool ask_helper(const char* argument, helper_answer& answer, std::string& error)
{
    std::string helper = adapter_helper_path();
    int channel[2];
    if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, channel) != 0) {
        error = std::string("socketpair failed: ") + std::strerror(errno);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, channel[1], STDOUT_FILENO);
    char* arguments[] = {const_cast<char*>(helper.c_str()), const_cast<char*>(argument), nullptr};
    char* environment[] = {nullptr};
    pid_t child = -1;
    int spawned = posix_spawn(&child, helper.c_str(), &actions, nullptr, arguments, environment);
    posix_spawn_file_actions_destroy(&actions);
    close(channel[1]);
    if (spawned != 0) {
        close(channel[0]);
        if (spawned == EACCES)
            error = "this user may not run " + helper + " (it is for the group " + raw_access_group + ")";
        else if (spawned == ENOENT)
            error = helper + " is missing";
        else
            error = "cannot run " + helper + ": " + std::strerror(spawned);
        return false;
    }
    bool answered = receive_answer(channel[0], answer);
    close(channel[0]);
    if (!answered)
        kill(child, SIGKILL);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!answered)
        error = helper + " gave no answer";
    return answered;
}

} // namespace

std::string adapter_helper_path()
{
    return own_program_prefix() + "/libexec/kestio-test/" + adapter_helper_name;
}

std::string raw_access_hint()
{
    return std::string("raw EtherCAT access is for members of the group ") + raw_access_group + ": sudo usermod -aG "
        + raw_access_group + " " + user_name()
        + ", then log in again (a build tree's helper needs: sudo setcap cap_net_raw=ep " + adapter_helper_path() + ")";
}

int open_packet_socket_through_helper(const std::string& device, std::string& error)
{
    helper_answer answer;
    if (!ask_helper(device.c_str(), answer, error)) {
        error += " — " + raw_access_hint();
        return -1;
    }
    if (answer.text == "ok" && answer.fd >= 0)
        return answer.fd;
    if (answer.fd >= 0)
        close(answer.fd);
    error = answer.text;
    if (answer.text.find("packet socket:") != std::string::npos)
        error += " — " + raw_access_hint();
    return -1;
}

bool adapter_helper_usable(std::string& error)
{
    helper_answer answer;
    if (!ask_helper("--check", answer, error))
        return false;
    if (answer.fd >= 0)
        close(answer.fd);
    if (answer.text == "ok")
        return true;
    error = answer.text;
    return false;
}

} // namespace platform
