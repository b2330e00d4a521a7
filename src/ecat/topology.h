#pragma once
#include <cstdint>

namespace ecat {

struct master;
struct slave;

// A slave configuration as far as attachment needs it; nothing creates one yet.
struct slave_config {
    uint16_t alias = 0;
    uint16_t position = 0;
    uint32_t vendor_id = 0;
    uint32_t product_code = 0;
    slave* attached = nullptr;
};

// The post-scan work, in this order.
void master_choose_reference_clock(master& m);
// Returns 0, or -1 when more ports are open than there are slaves.
int master_compute_topology(master& m);
void master_compute_delays(master& m);
void master_attach_configs(master& m);
// Detaches and frees every configuration.
void master_release_configs(master& m);

} // namespace ecat
