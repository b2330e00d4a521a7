#include "platform/pcap_port.h"

#include <cstring>
#include <fstream>
#include <net/if.h>
#include <pcap/pcap.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace platform {

namespace {

bool is_ethernet_candidate(const pcap_if_t* node)
{
    static const char* const excluded[] = {"any", "lo", "usbmon", "bluetooth", "dbus", "nflog", "nfqueue"};
    if (node->flags & PCAP_IF_LOOPBACK)
        return false;
    std::string name = node->name;
    for (const char* prefix : excluded)
        if (name.rfind(prefix, 0) == 0)
            return false;
    // an interface without an Ethernet address (tun, can, ...) cannot carry EtherCAT
    std::ifstream type_file("/sys/class/net/" + name + "/type");
    int arp_type = 0;
    if (type_file >> arp_type)
        return arp_type == 1; // ARPHRD_ETHER
    return true;
}

std::string system_description(const pcap_if_t* node)
{
    std::string name = node->name;
    char target[256] = {};
    std::string link = "/sys/class/net/" + name + "/device/driver";
    ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
    std::string driver;
    if (n > 0) {
        driver = target;
        driver = driver.substr(driver.find_last_of('/') + 1);
    } else if (access(("/sys/class/net/" + name + "/device").c_str(), F_OK) != 0) {
        driver = "virtual";
    }
    if (node->description && *node->description)
        return driver.empty() ? node->description : driver + ", " + node->description;
    return driver;
}

} // namespace

bool read_interface_mac(const std::string& device, std::array<uint8_t, 6>& mac)
{
    int fd = socket(AF_INET, SOCK_DGRAM, 0);
    if (fd < 0)
        return false;
    ifreq request{};
    std::strncpy(request.ifr_name, device.c_str(), IFNAMSIZ - 1);
    bool ok = ioctl(fd, SIOCGIFHWADDR, &request) == 0;
    ::close(fd);
    if (ok)
        std::memcpy(mac.data(), request.ifr_hwaddr.sa_data, 6);
    return ok;
}

bool list_ethernet_interfaces(std::vector<interface_info>& out, std::string& error)
{
    out.clear();
    pcap_if_t* all = nullptr;
    char errbuf[PCAP_ERRBUF_SIZE] = {};
    if (pcap_findalldevs(&all, errbuf) == -1) {
        error = errbuf;
        return false;
    }
    for (pcap_if_t* node = all; node; node = node->next) {
        if (!is_ethernet_candidate(node))
            continue;
        interface_info info;
        info.device = node->name;
        info.description = system_description(node);
        info.has_mac = read_interface_mac(info.device, info.mac);
        out.push_back(std::move(info));
    }
    pcap_freealldevs(all);
    return true;
}

pcap_port::~pcap_port()
{
    close();
}

bool pcap_port::open(const std::string& device, std::string& error)
{
    close();
    char errbuf[PCAP_ERRBUF_SIZE] = {};
    pcap_t* handle = pcap_create(device.c_str(), errbuf);
    if (!handle) {
        error = errbuf;
        return false;
    }
    pcap_set_snaplen(handle, 65536);
    pcap_set_promisc(handle, 0);
    pcap_set_timeout(handle, 1);
    // without immediate mode frames wait in the kernel ring for up to a whole buffer time-out
    pcap_set_immediate_mode(handle, 1);
    int status = pcap_activate(handle);
    if (status < 0) {
        error = status == PCAP_ERROR ? pcap_geterr(handle) : pcap_statustostr(status);
        pcap_close(handle);
        return false;
    }
    bpf_program filter{};
    if (pcap_compile(handle, &filter, "ether proto 0x88A4", 1, PCAP_NETMASK_UNKNOWN) == 0) {
        pcap_setfilter(handle, &filter);
        pcap_freecode(&filter);
    }
    // our own frames must not come back as answers
    pcap_setdirection(handle, PCAP_D_IN);
    if (pcap_setnonblock(handle, 1, errbuf) != 0) {
        error = errbuf;
        pcap_close(handle);
        return false;
    }
    handle_ = handle;
    selectable_fd_ = pcap_get_selectable_fd(handle);
    return true;
}

void pcap_port::close()
{
    if (handle_)
        pcap_close(handle_);
    handle_ = nullptr;
    selectable_fd_ = -1;
}

int pcap_port::send(const uint8_t* frame, size_t length)
{
    if (!handle_)
        return -1;
    return pcap_sendpacket(handle_, frame, static_cast<int>(length)) == 0 ? 0 : -1;
}

int pcap_port::receive(uint8_t* buffer, size_t capacity, int timeout_us)
{
    if (!handle_)
        return -1;
    for (int round = 0; round < 2; ++round) {
        pcap_pkthdr* header = nullptr;
        const u_char* data = nullptr;
        int result = pcap_next_ex(handle_, &header, &data);
        if (result == 1) {
            size_t length = header->caplen < capacity ? header->caplen : capacity;
            std::memcpy(buffer, data, length);
            return static_cast<int>(length);
        }
        if (result < 0)
            return -1;
        if (round == 1 || selectable_fd_ < 0)
            break;
        // a blocking read may never return on an idle interface: wait on the descriptor
        pollfd waiter{selectable_fd_, POLLIN, 0};
        int timeout_ms = timeout_us <= 0 ? 0 : (timeout_us + 999) / 1000;
        if (::poll(&waiter, 1, timeout_ms) <= 0)
            return 0;
    }
    return 0;
}

} // namespace platform
