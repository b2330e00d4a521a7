#pragma once
#include "ecat/master.h"

namespace ecat {

// The one way a test looks inside a master: the slave table, the queue, the machines.
struct master_test_access {
    static master_core& core(master& m) { return m.core_; }
};

} // namespace ecat

namespace testsupport {

inline ecat::master_core& inside(ecat::master& m)
{
    return ecat::master_test_access::core(m);
}

} // namespace testsupport
