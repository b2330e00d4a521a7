#pragma once
#include <cstdint>

#include "ecat/master_core.h"

namespace ecat {

class master;
struct master_test_access;

// The inside of a master, for the code of src/ecat alone.
master_core& core_of(master& m);

// One EtherCAT master: its cycle, its slaves and their requests. Everything it keeps is
// private; callers use the session (session.h), the SDO calls (sdo_api.h), slave
// information (slave_info.h) and the read-only counts below.
class master {
public:
    master() = default;
    master(const master&) = delete;
    master& operator=(const master&) = delete;

    // Each may be stale as soon as it is read; session_status gives a consistent snapshot.
    unsigned slave_count() const { return core_.slave_count; }
    bool scan_busy() const { return core_.scan_busy != 0; }
    unsigned scans_started() const { return core_.scans_started; }
    uint64_t tick_count() const { return core_.tick_count; }

private:
    friend master_core& core_of(master& m);
    friend struct master_test_access;

    master_core core_;
};

inline master_core& core_of(master& m)
{
    return m.core_;
}

} // namespace ecat
