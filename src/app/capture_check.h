#pragma once

// Whether this process may open raw packet sockets (root or CAP_NET_RAW), which the
// capture library needs to run a master on a network interface.
bool can_capture_packets();
