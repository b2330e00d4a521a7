#pragma once
#include <cstdint>

namespace ecat {

struct master_core;
struct slave;

// The post-scan work, in this order.
void master_choose_reference_clock(master_core& m);
// Returns 0, or -1 when more ports are open than there are slaves.
int master_compute_topology(master_core& m);
void master_compute_delays(master_core& m);

} // namespace ecat
