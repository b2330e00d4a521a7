#pragma once
#include "ecat/master.h"
#include "ecat/slave.h"
#include "support/fake_esc.h"

namespace fsmtest {

// One slave record at ring position 0, station address 1, and its controller.
class one_slave_test : public ::testing::Test {
protected:
    one_slave_test()
    {
        ecat::slave_init(s, m, 0, 0, 1);
        bus.slaves.resize(1);
        write_u16(esc().reg + 0x0010, 1);
    }
    ~one_slave_test() override { ecat::slave_release(s); }

    fake_slave& esc() { return bus.slaves[0]; }

    ecat::master_core m;
    ecat::slave s;
    ecat::datagram d;
    fake_bus bus;
};

} // namespace fsmtest
