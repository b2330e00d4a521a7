#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/frame_link.h"

struct pcap;

namespace platform {

// An Ethernet interface as the capture library lists it.
struct interface_info {
    std::string device;      // e.g. "eth0", "veth1"
    std::string description; // what the system says of it (driver, pcap description)
    std::array<uint8_t, 6> mac{};
    bool has_mac = false;
};

// Lists the Ethernet interfaces (not any, loopback, usbmon, bluetooth, dbus, nflog).
// Returns false when the capture library cannot enumerate; error holds its text.
bool list_ethernet_interfaces(std::vector<interface_info>& out, std::string& error);

// Reads an interface's own MAC address. Returns false when it has none.
bool read_interface_mac(const std::string& device, std::array<uint8_t, 6>& mac);

// Raw EtherCAT traffic on one interface: immediate mode, only frames coming in,
// only EtherType 0x88A4; a non-blocking handle waited on with poll(). Needs CAP_NET_RAW
// in this process (see raw_port.h for processes without it).
class pcap_port : public frame_link {
public:
    pcap_port() = default;
    ~pcap_port() override;
    pcap_port(const pcap_port&) = delete;
    pcap_port& operator=(const pcap_port&) = delete;

    // Returns false with the capture library's reason.
    bool open(const std::string& device, std::string& error);
    void close();
    bool is_open() const { return handle_ != nullptr; }

    int send(const uint8_t* frame, size_t length) override;
    int receive(uint8_t* buffer, size_t capacity, int timeout_us) override;

private:
    pcap* handle_ = nullptr;
    int selectable_fd_ = -1;
};

} // namespace platform
