#pragma once
#include <cstdint>
#include <vector>

#include "ecat/master.h"

namespace ecat {

// What a caller may know about the bus without reading the master's record.
struct bus_status {
    unsigned slave_count = 0;
    bool scan_busy = false;
    bool link = false;
    unsigned slaves_responding = 0;
    // the scan is over (none pending) and every slave can take requests, serves one, or failed
    bool settled = false;
    std::vector<uint8_t> al_states; // AL state of each slave in ring order
    std::vector<bool> error_flags;
};

constexpr int any_slave_count = -1;

// Starts a master on an adapter: clears it if it ran, fills the descriptor (which must
// outlive the master's use of it), initialises the master with the adapter's MAC, attaches
// and opens. Returns 0, 13 (no such adapter), -12, -19 or the open's code.
[[nodiscard]] int session_open(master& m, net_device& descriptor, int adapter_index, int response_wait_ms);

// A snapshot taken under the master lock.
bus_status session_status(master& m);

// Waits until the scan has settled, with `expected` slaves when it is not any_slave_count.
// A bus that shows no slave for 300 ms counts as settled and empty. False on time-out.
[[nodiscard]] bool session_wait_settled(master& m, int timeout_ms, int expected = any_slave_count);

// Stops the cycle and releases the slaves; the adapter table stays as it is.
void session_close(master& m);

} // namespace ecat
