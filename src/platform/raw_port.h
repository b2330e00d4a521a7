#pragma once
#include <memory>
#include <string>

#include "platform/frame_link.h"

namespace platform {

// Opens raw EtherCAT traffic on a network interface. A process that holds CAP_NET_RAW
// itself (root) opens it through the capture library and then gives up every capability;
// any other process gets a packet socket from the adapter helper. Returns null with a
// readable reason, which says how to get raw access where that was the trouble.
std::unique_ptr<frame_link> open_raw_port(const std::string& device, std::string& error);

} // namespace platform
