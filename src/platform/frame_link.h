#pragma once
#include <cstddef>
#include <cstdint>

namespace platform {

// A wire that carries whole Ethernet frames (header included, no checksum).
// The master's adapter layer reaches a network interface through libpcap, or an
// in-process bus through this interface; both look the same above the adapter layer.
class frame_link {
public:
    virtual ~frame_link() = default;
    // Puts one frame on the wire. Returns 0, or a negative value when it could not.
    virtual int send(const uint8_t* frame, size_t length) = 0;
    // Waits up to timeout_us for a frame coming back. Returns its length (copied up
    // to capacity), 0 when none came in time, a negative value on a broken wire.
    virtual int receive(uint8_t* buffer, size_t capacity, int timeout_us) = 0;
};

} // namespace platform
