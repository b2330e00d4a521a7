#pragma once
#include <cstddef>
#include <cstdint>

namespace ecat {

struct adapter_entry;
struct master_device;
struct net_device;

// A finished Ethernet frame handed to the device.
struct frame_view {
    size_t length = 0;
    const uint8_t* data = nullptr;
};

// The descriptor through which the master uses an adapter; filled by its user
// (net_device_fill) before the master attaches it.
struct net_device {
    int adapter_index = 0;
    int receive_timeout_ms = 0;
    adapter_entry* entry = nullptr;
    char name[16] = {};
    uint8_t mac[6] = {};
    int (*send)(const frame_view& frame, net_device& descriptor) = nullptr;
    int (*open)(net_device& descriptor) = nullptr;
    int (*close)(net_device& descriptor) = nullptr;
    net_device* self = this;
    master_device* device = nullptr;
};

// Fills a descriptor for adapter `index` with the adapter layer's operations.
// Returns 0, or 13 when the index is not below the adapter count.
int net_device_fill(net_device& descriptor, int index, int receive_timeout_ms);

} // namespace ecat
