#pragma once
#include <string>

namespace platform {

// Whether this process may open raw packet sockets itself (root, or CAP_NET_RAW by hand).
bool holds_raw_socket_capability();

// Gives up every capability of this process for good: effective, permitted, inheritable
// and ambient sets. Called before the process runs code a user chooses (firmware
// libraries, Qt plugins) and as soon as its raw socket is open. With keep_realtime_cycle,
// a process that may still raise its real-time limit (root) first lets itself keep the
// cycle's SCHED_FIFO priority: a resource limit, not a capability. Returns false with the
// reason when the kernel refused; the caller must then not go on.
bool drop_all_capabilities(std::string& error, bool keep_realtime_cycle = true);

} // namespace platform
