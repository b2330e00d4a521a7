#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace simtest {

// Whether a frame is a well-formed EtherCAT frame, judged from the frame rules alone:
// EtherType 0x88A4, header type 1 with the reserved bit clear, datagrams whose headers,
// data and counters fill the header's length exactly, no reserved length bits, at most
// 1514 bytes. A slave answers exactly these.
bool well_formed(const std::vector<uint8_t>& frame);

} // namespace simtest
