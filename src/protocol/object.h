#pragma once
#include <cstdint>

// The card objects, named once for the host and the simulated cards alike. Plain C++, no
// dependencies: the simulator's card models include only this folder of the host's code.
namespace protocol {

// One card object: where it is, how many bytes its value has, and what it means.
struct object {
    uint16_t index;
    uint8_t subindex;
    uint8_t size; // bytes of the value; for a text, the most the host reads
    const char* meaning;
};

} // namespace protocol
