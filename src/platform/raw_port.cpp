#include "platform/raw_port.h"

#include "platform/capabilities.h"
#include "platform/packet_socket_port.h"
#include "platform/pcap_port.h"

namespace platform {

std::unique_ptr<frame_link> open_raw_port(const std::string& device, std::string& error)
{
    if (!holds_raw_socket_capability()) {
        auto port = std::make_unique<packet_socket_port>();
        if (!port->open(device, error))
            return nullptr;
        return port;
    }
    auto port = std::make_unique<pcap_port>();
    if (!port->open(device, error))
        return nullptr;
    // the socket is open: nothing this process does from here on needs a capability
    if (!drop_all_capabilities(error))
        return nullptr;
    return port;
}

} // namespace platform
