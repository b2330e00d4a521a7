#include "ecat/fsm/master_fsm.h"

#include <algorithm>
#include <cstdio>
#include <new>

#include "ecat/datagram.h"
#include "ecat/fsm/al_texts.h"
#include "ecat/fsm/retry.h"
#include "ecat/fsm/slave_request.h"
#include "ecat/master.h"
#include "ecat/slave.h"
#include "ecat/topology.h"
#include "platform/clock.h"
#include "ecat/fsm/esc_registers.h"

namespace ecat {

namespace {

void start(master_state_machine& fsm);
void broadcast_check(master_state_machine& fsm);
void clear_addresses(master_state_machine& fsm);
void latch_receive_times(master_state_machine& fsm);
void scan_slaves(master_state_machine& fsm);
void read_slave_state(master_state_machine& fsm);
void acknowledge(master_state_machine& fsm);
void configure(master_state_machine& fsm);

constexpr int datagram_retries = 3;
// Back-off before each quick repeat of an incomplete scan. Most scans are cut short by a
// few bad frames at the end of a disturbance, so the first repeat comes at once.
constexpr uint32_t rescan_delays_ms[] = {0, 250, 500, 1000, 1000};
constexpr unsigned max_scan_repeats = sizeof rescan_delays_ms / sizeof rescan_delays_ms[0];
// after the quick repeats, a scan that stays incomplete is tried this often
constexpr uint32_t slow_rescan_delay_ms = 10000;
// A failed configuration is tried again after this, doubling up to the maximum: a few
// datagrams a second for a slave that keeps refusing, and a slave that failed only
// because of garbled frames is back soon after they stop.
constexpr uint32_t first_configuration_retry_delay_ms = 250;
constexpr uint32_t max_configuration_retry_delay_ms = 1000;
constexpr uint32_t broadcast_silence_ms = 1000;

void rebuild_slave_table(master_state_machine& fsm);
void configuration_decision(master_state_machine& fsm);
void next_slave(master_state_machine& fsm);

bool pending(const datagram& d)
{
    return d.state == datagram_state::queued || d.state == datagram_state::sent;
}

slave* slaves_end(master_core& m)
{
    return m.slaves.get() + m.slave_count;
}

void set_scan_busy(master_core& m, int busy)
{
    m.scan_busy = busy;
}

void plan_repeat(master_state_machine& fsm);

// Flags a slave whose acknowledge or configuration failed and sets when to try again.
void configuration_failed(slave& s)
{
    s.error_flag = 1;
    uint32_t delay = first_configuration_retry_delay_ms << std::min(s.failed_configurations, 4u);
    s.configuration_retry_time = platform::tick_ms() + std::min(delay, max_configuration_retry_delay_ms);
    ++s.failed_configurations;
}

// Ends a scan that found nothing or could not go on; waiting threads wake up. Slaves
// it left unread are marked and read again after a back-off.
void abort_scan(master_state_machine& fsm)
{
    master_core& m = *fsm.owner;
    for (slave* s = m.slaves.get(); s != slaves_end(m); ++s) {
        s->error_flag = 1;
        fsm.scan_incomplete = true;
    }
    plan_repeat(fsm);
    set_scan_busy(*fsm.owner, 0);
    start(fsm);
}

void broadcast(master_state_machine& fsm, datagram_type type, uint16_t offset, size_t size)
{
    datagram& d = *fsm.dgram;
    datagram_prepare(d, type, 0, offset, size);
    datagram_zero(d);
    d.device_index = static_cast<int>(fsm.device_index);
    fsm.retries = datagram_retries;
}

void read_current_state(master_state_machine& fsm)
{
    datagram& d = *fsm.dgram;
    datagram_fprd(d, fsm.current_slave->station_address, esc_register::al_status, 2);
    datagram_zero(d);
    fsm.retries = datagram_retries;
    fsm.state = read_slave_state;
}

void start(master_state_machine& fsm)
{
    fsm.idle = true;
    broadcast(fsm, datagram_type::BRD, esc_register::al_status, 2);
    fsm.state = broadcast_check;
}

void broadcast_check(master_state_machine& fsm)
{
    datagram& d = *fsm.dgram;
    if (retry_timed_out(d, fsm.retries))
        return;
    master_core& m = *fsm.owner;

    // A lost broadcast says nothing about the slaves: only one lost for a whole second
    // counts as none answering, so that a short burst of loss costs no rescan.
    uint16_t responding = d.working_counter;
    if (d.state != datagram_state::received) {
        uint32_t now = platform::tick_ms();
        if (!fsm.broadcast_lost) {
            fsm.broadcast_lost = true;
            fsm.broadcast_lost_time = now;
        }
        if (now - fsm.broadcast_lost_time < broadcast_silence_ms)
            responding = static_cast<uint16_t>(fsm.slaves_responding);
    } else {
        fsm.broadcast_lost = false;
    }
    bool recount = fsm.recount_required && d.state == datagram_state::received;
    if (responding != fsm.slaves_responding || recount) {
        fsm.recount_required = false;
        fsm.rescan_required = true;
        fsm.slaves_responding = responding;
        // the bus changed: the scan that follows is a new one, not a repeat
        fsm.rescan_pending = false;
        fsm.scan_repeats = 0;
    }
    if (fsm.rescan_pending && static_cast<int32_t>(platform::tick_ms() - fsm.rescan_time) >= 0) {
        fsm.rescan_pending = false;
        fsm.rescan_required = true;
    }
    uint8_t link = m.main_device.link;
    if (fsm.link_state && !link) {
        master_clear_slaves(m);
        fsm.current_slave = nullptr;
        fsm.slaves_responding = 0;
        fsm.al_states = 0;
    }
    fsm.link_state = link;

    if (d.state == datagram_state::received && fsm.slaves_responding) {
        fsm.al_states = d.data[0];
    } else {
        fsm.al_states = 0;
    }

    if (fsm.rescan_required) {
        rebuild_slave_table(fsm);
        return;
    }
    if (m.slave_count == 0) {
        start(fsm);
        return;
    }
    fsm.current_slave = m.slaves.get();
    read_current_state(fsm);
}

void rebuild_slave_table(master_state_machine& fsm)
{
    master_core& m = *fsm.owner;
    set_scan_busy(m, 1);
    ++m.scans_started;
    fsm.rescan_required = false;
    fsm.scan_incomplete = false;
    fsm.idle = false;
    fsm.scan_start_time = platform::tick_ms();
    master_clear_slaves(m);
    fsm.current_slave = nullptr;

    unsigned count = fsm.slaves_responding;
    slave* table = count ? new (std::nothrow) slave[count] : nullptr;
    if (!table) {
        abort_scan(fsm);
        return;
    }
    m.slaves.reset(table);
    for (unsigned i = 0; i < count; ++i) {
        slave_init(table[i], m, static_cast<int>(fsm.device_index), static_cast<uint16_t>(i),
                   static_cast<uint16_t>(i + 1));
        table[i].force_config = 1; // every fresh slave is configured once
    }
    m.slave_count = count;
    m.request_cursor = 0;

    // Station addresses are given slave by slave, so every old one must go first.
    broadcast(fsm, datagram_type::BWR, esc_register::station_address, 2);
    fsm.state = clear_addresses;
}

// The opening of the scan's broadcast states: a timed-out broadcast is sent again while
// the retries last; a lost one ends the scan.
bool broadcast_answered(master_state_machine& fsm)
{
    const datagram& d = *fsm.dgram;
    if (retry_timed_out(d, fsm.retries))
        return false;
    if (d.state != datagram_state::received) {
        abort_scan(fsm);
        return false;
    }
    return true;
}

void clear_addresses(master_state_machine& fsm)
{
    if (!broadcast_answered(fsm))
        return;
    // Latch the port receive times that the scan reads for the DC delays.
    broadcast(fsm, datagram_type::BWR, esc_register::port_receive_times, 1);
    fsm.state = latch_receive_times;
}

void latch_receive_times(master_state_machine& fsm)
{
    if (!broadcast_answered(fsm))
        return;
    fsm.current_slave = fsm.owner->slaves.get();
    slave_scan_start(fsm.scan, *fsm.current_slave);
    fsm.state = scan_slaves;
    scan_slaves(fsm);
}

// A record read only in part is not the slave: read it again once traffic recovers.
void plan_repeat(master_state_machine& fsm)
{
    if (!fsm.scan_incomplete) {
        fsm.scan_repeats = 0;
        return;
    }
    // frames lost for longer than the quick repeats last must not strand the slaves
    uint32_t delay = fsm.scan_repeats >= max_scan_repeats ? slow_rescan_delay_ms : rescan_delays_ms[fsm.scan_repeats];
    if (fsm.scan_repeats < max_scan_repeats)
        ++fsm.scan_repeats;
    fsm.rescan_pending = true;
    fsm.rescan_time = platform::tick_ms() + delay;
}

void finish_scan(master_state_machine& fsm)
{
    master_core& m = *fsm.owner;
    plan_repeat(fsm);
    set_scan_busy(m, 0);
    master_choose_reference_clock(m);
    if (m.slave_count)
        master_compute_topology(m);
    master_compute_delays(m);
    start(fsm);
}

// No slave answers at the current position: the table was built for a count the bus
// does not hold (one broadcast with a lying or stale working counter). Going on would
// address every claimed position in turn, up to 65535 of them, so end the scan here and
// count again.
void recount(master_state_machine& fsm)
{
    master_core& m = *fsm.owner;
    for (slave* s = fsm.current_slave; s != slaves_end(m); ++s)
        s->error_flag = 1;
    fsm.recount_required = true;
    fsm.rescan_pending = false;
    set_scan_busy(m, 0);
    start(fsm);
}

void scan_slaves(master_state_machine& fsm)
{
    if (pending(*fsm.dgram))
        return;
    master_core& m = *fsm.owner;
    while (!slave_scan_exec(fsm.scan)) {
        if (slave_scan_absent(fsm.scan)) {
            recount(fsm);
            return;
        }
        if (slave_scan_incomplete(fsm.scan))
            fsm.scan_incomplete = true;
        if (++fsm.current_slave == slaves_end(m)) {
            finish_scan(fsm);
            return;
        }
        slave_scan_start(fsm.scan, *fsm.current_slave);
    }
}

void read_slave_state(master_state_machine& fsm)
{
    datagram& d = *fsm.dgram;
    if (retry_timed_out(d, fsm.retries))
        return;
    if (d.state != datagram_state::received) {
        start(fsm);
        return;
    }
    slave& s = *fsm.current_slave;
    if (d.working_counter != 1) {
        s.error_flag = 1; // gone or doubled: only a new scan sorts that out
        fsm.rescan_required = true;
        start(fsm);
        return;
    }
    uint8_t state = d.data[0];
    s.current_al_state = state;

    if (s.error_flag && s.failed_configurations
        && static_cast<int32_t>(platform::tick_ms() - s.configuration_retry_time) >= 0)
        s.error_flag = 0; // its back-off has passed: configure it again
    if (s.error_flag) {
        next_slave(fsm);
        return;
    }
    if (state & al_state_error) {
        fsm.idle = false;
        al_acknowledge_start(fsm.change, s, d);
        fsm.state = acknowledge;
        acknowledge(fsm);
        return;
    }
    configuration_decision(fsm);
}

void acknowledge(master_state_machine& fsm)
{
    if (al_change_exec(fsm.change))
        return;
    if (!al_change_done(fsm.change))
        configuration_failed(*fsm.current_slave);
    configuration_decision(fsm);
}

void configuration_decision(master_state_machine& fsm)
{
    slave& s = *fsm.current_slave;
    if (s.error_flag || (s.current_al_state == s.requested_al_state && !s.force_config)) {
        next_slave(fsm);
        return;
    }
    fsm.idle = false;
    slave_configuration_start(fsm.configuration, s);
    fsm.state = configure;
    configure(fsm);
}

void configure(master_state_machine& fsm)
{
    if (pending(*fsm.dgram))
        return;
    if (slave_configuration_exec(fsm.configuration))
        return;
    slave& s = *fsm.current_slave;
    s.force_config = 0;
    if (s.error_flag)
        configuration_failed(s);
    else
        s.failed_configurations = 0;
    fsm.idle = true;
    next_slave(fsm);
}

void pass_finished(master_state_machine& fsm)
{
    master_core& m = *fsm.owner;
    for (slave* s = m.slaves.get(); s != slaves_end(m); ++s)
        if (slave_request_is_end(s->request_machine))
            slave_request_set_ready(s->request_machine);
    start(fsm);
}

void next_slave(master_state_machine& fsm)
{
    if (++fsm.current_slave == slaves_end(*fsm.owner)) {
        pass_finished(fsm);
        return;
    }
    fsm.idle = true;
    read_current_state(fsm);
}

} // namespace

void master_fsm_init(master_state_machine& fsm, master_core& owner, datagram& d)
{
    fsm.owner = &owner;
    fsm.dgram = &d;
    fsm.retries = 0;
    fsm.state = start;
    fsm.device_index = 0;
    fsm.idle = false;
    fsm.scan_start_time = 0;
    fsm.link_state = 0;
    fsm.slaves_responding = 0;
    fsm.rescan_required = false;
    fsm.scan_incomplete = false;
    fsm.rescan_pending = false;
    fsm.rescan_time = 0;
    fsm.scan_repeats = 0;
    fsm.recount_required = false;
    fsm.broadcast_lost = false;
    fsm.broadcast_lost_time = 0;
    fsm.al_states = 0;
    fsm.current_slave = nullptr;
    fsm.change.dgram = &d;
    fsm.pdos.dgram = &d;
    slave_configuration_init(fsm.configuration, d, fsm.change);
    slave_scan_init(fsm.scan, d, fsm.configuration, fsm.pdos);
}

void master_fsm_exec(master_state_machine& fsm)
{
    fsm.state(fsm);
}

} // namespace ecat
