#include "ecat/topology.h"

#include "ecat/datagram.h"
#include "ecat/master.h"
#include "ecat/slave.h"
#include "ecat/fsm/esc_registers.h"

namespace ecat {

namespace {

constexpr uint16_t no_reference_clock = 0xFFFF;

// A frame entering port 0 leaves through 3, then 1, then 2, then returns to 0.
constexpr int downstream_ports[3] = {3, 1, 2};
constexpr int previous_port[4] = {2, 3, 1, 0};

bool active(const slave& s, int port)
{
    return s.ports[port].next_slave != nullptr;
}

// The nearest active port before `port` in processing order; port 0 when none.
int previous_active_port(const slave& s, int port)
{
    for (int p = previous_port[port]; p != 0; p = previous_port[p])
        if (active(s, p))
            return p;
    return 0;
}

uint32_t time_behind_port(const slave& s, int port)
{
    return s.ports[port].receive_time - s.ports[previous_active_port(s, port)].receive_time;
}

// Time a frame spends behind the slave.
uint32_t round_trip_sum(const slave& s)
{
    uint32_t sum = 0;
    for (int port : downstream_ports)
        if (active(s, port))
            sum += time_behind_port(s, port);
    return sum;
}

slave* next_dc_slave(slave* s)
{
    if (s->dc_supported)
        return s;
    for (int port : downstream_ports) {
        if (!active(*s, port))
            continue;
        if (slave* found = next_dc_slave(s->ports[port].next_slave))
            return found;
    }
    return nullptr;
}

// Gives the slaves to the open ports depth first, in ring order. Returns false when
// the ports ask for more slaves than there are.
bool visit(master_core& m, unsigned& position, slave& s, slave* upstream)
{
    s.ports[0].next_slave = upstream;
    for (int port : downstream_ports) {
        if (s.ports[port].loop_closed)
            continue;
        if (++position >= m.slave_count)
            return false;
        slave& next = m.slaves[position];
        s.ports[port].next_slave = &next;
        if (!visit(m, position, next, &s))
            return false;
    }
    return true;
}

void propagate(slave& s, uint32_t& running_delay)
{
    s.transmission_delay = running_delay;
    for (int port : downstream_ports) {
        if (!active(s, port))
            continue;
        slave* next = next_dc_slave(s.ports[port].next_slave);
        if (!next)
            continue;
        running_delay += s.ports[port].delay_to_next_dc;
        propagate(*next, running_delay);
    }
    running_delay += s.ports[0].delay_to_next_dc;
}

} // namespace

void master_choose_reference_clock(master_core& m)
{
    m.dc_reference_clock = nullptr;
    for (unsigned i = 0; i < m.slave_count; ++i) {
        slave& s = m.slaves[i];
        if (s.dc_supported && s.has_dc_system_time) {
            m.dc_reference_clock = &s;
            break;
        }
    }
    uint16_t address = m.dc_reference_clock ? m.dc_reference_clock->station_address : no_reference_clock;
    // out of memory only costs this datagram
    datagram_fpwr(m.ref_sync_datagram, address, esc_register::dc_system_time, 4);
    datagram_frmw(m.sync_datagram, address);
}

int master_compute_topology(master_core& m)
{
    for (unsigned i = 0; i < m.slave_count; ++i)
        for (slave_port& port : m.slaves[i].ports)
            port.next_slave = nullptr;
    if (m.slave_count == 0)
        return 0;
    unsigned position = 0;
    return visit(m, position, m.slaves[0], nullptr) ? 0 : -1;
}

void master_compute_delays(master_core& m)
{
    for (unsigned i = 0; i < m.slave_count; ++i) {
        slave& s = m.slaves[i];
        if (!s.dc_supported)
            continue;
        for (int port : downstream_ports) {
            if (!active(s, port))
                continue;
            slave* next = next_dc_slave(s.ports[port].next_slave);
            if (!next)
                continue;
            uint32_t delay = (time_behind_port(s, port) - round_trip_sum(*next)) / 2;
            s.ports[port].delay_to_next_dc = delay;
            next->ports[0].delay_to_next_dc = delay;
        }
    }
    if (m.dc_reference_clock) {
        uint32_t running_delay = 0;
        propagate(*m.dc_reference_clock, running_delay);
    }
}

} // namespace ecat
