#pragma once
#include <string>

#include "platform/frame_link.h"

namespace platform {

// Raw EtherCAT traffic on one interface through a packet socket that the adapter helper
// opened (kestio-adapter-open): the socket is bound to the interface, only EtherType
// 0x88A4 and only frames coming in pass its locked filter. Used by processes that hold no
// capability themselves.
class packet_socket_port : public frame_link {
public:
    packet_socket_port() = default;
    ~packet_socket_port() override;
    packet_socket_port(const packet_socket_port&) = delete;
    packet_socket_port& operator=(const packet_socket_port&) = delete;

    // Asks the helper for a socket on device. Returns false with a readable reason that
    // says how to get raw access.
    bool open(const std::string& device, std::string& error);
    void close();
    bool is_open() const { return fd_ >= 0; }

    int send(const uint8_t* frame, size_t length) override;
    int receive(uint8_t* buffer, size_t capacity, int timeout_us) override;

private:
    int fd_ = -1;
};

} // namespace platform
