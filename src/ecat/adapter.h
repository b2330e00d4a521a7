#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "ecat/net_device.h"
#include "ecat/result.h"
#include "platform/frame_link.h"
#include "platform/named_lock.h"
#include "platform/pcap_port.h"

namespace ecat {

// One adapter of the process-wide table: a network interface reached through the
// capture library, or a registered in-process wire (the simulated bus).
struct adapter_entry {
    platform::frame_link* handle = nullptr; // set while open
    std::string device;                     // interface name, or the registered name
    std::string library_description;        // what the capture library / system says of it
    int open_count = 0;
    uint8_t mac[6] = {};
    std::unique_ptr<platform::named_lock> lock;
    std::unique_ptr<uint8_t[]> packet; // last packet received
    size_t packet_capacity = 0;
    size_t packet_length = 0;
    unsigned receive_timeout_ms = 1;
    std::string description; // display name
    std::unique_ptr<platform::frame_link> capture;
    std::shared_ptr<platform::frame_link> wire; // set for an in-process wire
    bool mac_filter_safe = true; // our own MAC cannot be a slave's answer (locally administered bit clear)
};

// Adds an in-process wire to every future adapter table, after the interfaces.
void adapter_register_wire(const std::string& name, const uint8_t mac[6], std::shared_ptr<platform::frame_link> wire);
void adapter_unregister_wires();

// Rebuilds the table: 0, 5 when the interfaces cannot be listed, 6 (and the table stays as it
// is) while any adapter is open.
int adapter_list_refresh();
int adapter_count();
adapter_entry* adapter_get(int index);
// Display name of adapter `index`. Returns 0, or 13 when the index is out of range.
int adapter_get_name(int index, std::string& name);
void adapter_release_all();

// The net_device operations.
int adapter_open(net_device& descriptor);
int adapter_close(net_device& descriptor);
int adapter_send(const frame_view& frame, net_device& descriptor);
// Receives the answers to the last frames and hands them to the master.
void adapter_poll(net_device& descriptor);

// Sees every frame the adapter layer sends and every EtherCAT frame it receives
// (e.g. to record a capture). Called on the cycle thread; must not block.
class frame_tap {
public:
    virtual ~frame_tap() = default;
    virtual void frame(const uint8_t* data, size_t length, bool sent) = 0;
};
void adapter_set_tap(frame_tap* tap);

// The open error of the last failed adapter_open, for the user's message.
const std::string& adapter_last_error();

} // namespace ecat
