// kestio-adapter-open: opens a packet socket for EtherCAT on one interface and hands it to
// the program that started it (over the Unix socket on its standard output), then exits.
// It is the only program installed with a capability (cap_net_raw, root:kestio 0750), so
// KestIO_Test, kestio-cli and kestio-sim never hold one. It reads no file, no environment
// and loads nothing; it gives up its capability as soon as the socket exists.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include <arpa/inet.h>
#include <linux/filter.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/capabilities.h"

namespace {

constexpr uint16_t ethertype_ethercat = 0x88A4;
constexpr int reply_fd = STDOUT_FILENO;

// Interface names as the kernel allows them: 1 to 15 bytes, no slash, no white space.
bool is_interface_name(const char* name)
{
    size_t length = std::strlen(name);
    if (length == 0 || length >= IFNAMSIZ || name[0] == '-')
        return false;
    for (const char* c = name; *c; ++c)
        if (*c == '/' || *c <= ' ' || *c == 0x7F)
            return false;
    return true;
}

// Only EtherCAT frames, only those coming in: our own frames must not come back as
// answers, and the program that gets the socket must not see other traffic.
bool attach_locked_filter(int fd)
{
    sock_filter code[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, uint32_t(SKF_AD_OFF + SKF_AD_PKTTYPE)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, PACKET_OUTGOING, 3, 0),
        BPF_STMT(BPF_LD | BPF_H | BPF_ABS, 12),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, ethertype_ethercat, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, 0xFFFF),
        BPF_STMT(BPF_RET | BPF_K, 0),
    };
    sock_fprog program{static_cast<unsigned short>(sizeof code / sizeof code[0]), code};
    int lock = 1;
    return setsockopt(fd, SOL_SOCKET, SO_ATTACH_FILTER, &program, sizeof program) == 0
        && setsockopt(fd, SOL_SOCKET, SO_LOCK_FILTER, &lock, sizeof lock) == 0;
}

// A socket that receives nothing until it is bound, so no frame slips in before the filter.
int open_ethercat_socket(const char* device, std::string& error)
{
    unsigned index = if_nametoindex(device);
    if (index == 0) {
        error = std::string("no interface ") + device;
        return -1;
    }
    int fd = socket(AF_PACKET, SOCK_RAW | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = std::string("cannot open a packet socket: ") + std::strerror(errno);
        return -1;
    }
    sockaddr_ll address{};
    address.sll_family = AF_PACKET;
    address.sll_protocol = htons(ethertype_ethercat);
    address.sll_ifindex = int(index);
    if (!attach_locked_filter(fd) || bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        error = std::string("cannot set up the packet socket on ") + device + ": " + std::strerror(errno);
        close(fd);
        return -1;
    }
    return fd;
}

// One message: "ok" with the socket attached, or the reason it could not be opened.
bool reply(const std::string& text, int fd)
{
    iovec part{const_cast<char*>(text.data()), text.size()};
    msghdr message{};
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    if (fd >= 0) {
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        cmsghdr* header = CMSG_FIRSTHDR(&message);
        header->cmsg_level = SOL_SOCKET;
        header->cmsg_type = SCM_RIGHTS;
        header->cmsg_len = CMSG_LEN(sizeof(int));
        std::memcpy(CMSG_DATA(header), &fd, sizeof fd);
    }
    return sendmsg(reply_fd, &message, MSG_NOSIGNAL) == ssize_t(text.size());
}

bool reply_channel_is_socket()
{
    struct stat info { };
    return fstat(reply_fd, &info) == 0 && S_ISSOCK(info.st_mode);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2 || !reply_channel_is_socket()) {
        std::fputs("kestio-adapter-open is started by KestIO_Test, kestio-cli and kestio-sim to open an "
                   "EtherCAT adapter; it is not run by hand.\n",
                   stderr);
        return 2;
    }
    std::string error;
    bool check_only = std::strcmp(argv[1], "--check") == 0;
    // --check opens a socket on no interface: it only asks whether raw access is granted
    int fd = -1;
    if (check_only) {
        fd = socket(AF_PACKET, SOCK_RAW | SOCK_CLOEXEC, 0);
        if (fd < 0)
            error = std::string("cannot open a packet socket: ") + std::strerror(errno);
    } else if (!is_interface_name(argv[1])) {
        error = "not an interface name";
    } else {
        fd = open_ethercat_socket(argv[1], error);
    }
    std::string drop_error;
    if (!platform::drop_all_capabilities(drop_error, false)) {
        if (fd >= 0)
            close(fd);
        reply(drop_error, -1);
        return 1;
    }
    if (fd < 0) {
        reply(error, -1);
        return 1;
    }
    bool sent = check_only ? reply("ok", -1) : reply("ok", fd);
    close(fd);
    return sent ? 0 : 1;
}
