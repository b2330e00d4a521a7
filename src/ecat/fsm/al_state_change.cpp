#include "ecat/fsm/al_state_change.h"

#include <cstdio>

#include "ecat/datagram.h"
#include "ecat/fsm/al_texts.h"
#include "ecat/fsm/retry.h"
#include "ecat/master.h"
#include "ecat/slave.h"
#include "ecat/fsm/esc_registers.h"
#include "ecat/fsm/machine.h"

namespace ecat {

namespace {

void start(al_state_change& fsm);
void check_write(al_state_change& fsm);
void check_status(al_state_change& fsm);
void start_code_read(al_state_change& fsm);
void read_code(al_state_change& fsm);
void check_ack_write(al_state_change& fsm);
void check_ack(al_state_change& fsm);
void done(al_state_change& fsm);
void failed(al_state_change& fsm);

constexpr uint32_t write_limit_ms = 3000;  // AL Control written while nobody answers
constexpr uint32_t change_limit_ms = 5000; // state neither reached nor refused
constexpr int datagram_retries = 3;

// Takes the send time of the first reply after take_time was set as the start time.
void take_start_time(al_state_change& fsm)
{
    if (!fsm.take_time)
        return;
    fsm.start_time = fsm.dgram->sent_time;
    fsm.take_time = false;
}

uint32_t elapsed(const al_state_change& fsm)
{
    return fsm.dgram->received_time - fsm.start_time;
}

bool write_control(al_state_change& fsm, uint16_t value)
{
    datagram& d = *fsm.dgram;
    if (datagram_fpwr(d, fsm.target->station_address, esc_register::al_control, 2) != 0)
        return false;
    write_u16(d.data, value);
    fsm.retries = datagram_retries;
    return true;
}

bool read_register(al_state_change& fsm, uint16_t offset)
{
    datagram& d = *fsm.dgram;
    if (datagram_fprd(d, fsm.target->station_address, offset, 2) != 0)
        return false;
    datagram_zero(d);
    fsm.retries = datagram_retries;
    return true;
}

void read_status_then(al_state_change& fsm, al_change_state next)
{
    fsm.state = read_register(fsm, esc_register::al_status) ? next : failed;
}

void start(al_state_change& fsm)
{
    fsm.take_time = true;
    fsm.old_state = static_cast<uint8_t>(fsm.target->current_al_state);
    fsm.state = write_control(fsm, fsm.requested_state) ? check_write : failed;
}

void check_write(al_state_change& fsm)
{
    if (!reply_ready(fsm, failed, -1))
        return;
    datagram& d = *fsm.dgram;
    take_start_time(fsm);
    if (d.working_counter == 1) {
        fsm.take_time = true;
        fsm.spontaneous_change = false;
        read_status_then(fsm, check_status);
        return;
    }
    // No slave at this address yet (still starting up): keep writing for a while.
    if (d.working_counter == 0 && elapsed(fsm) < write_limit_ms) {
        if (!write_control(fsm, fsm.requested_state))
            fsm.state = failed;
        return;
    }
    fsm.state = failed;
}

// The opening of the states that read the AL status: the reply, the start time, and the
// state the slave shows, kept in its record.
bool status_arrived(al_state_change& fsm, uint8_t& current)
{
    if (!reply_ready(fsm, failed))
        return false;
    take_start_time(fsm);
    current = fsm.dgram->data[0];
    fsm.target->current_al_state = current;
    return true;
}

void check_status(al_state_change& fsm)
{
    uint8_t current = 0;
    if (!status_arrived(fsm, current))
        return;

    if (current == fsm.requested_state) {
        fsm.state = done;
        return;
    }
    if (current != fsm.old_state) {
        if ((current ^ fsm.old_state) & 0x0F) {
            // the slave moved by itself just before our request; wait for it again
            fsm.spontaneous_change = true;
            fsm.old_state = current;
            read_status_then(fsm, check_status);
            return;
        }
        // only the error bit changed: the slave refused the change
        fsm.target->error_flag = 1;
        fsm.state = start_code_read;
        start_code_read(fsm);
        return;
    }
    if (elapsed(fsm) < change_limit_ms)
        read_status_then(fsm, check_status);
    else
        fsm.state = failed;
}

void start_code_read(al_state_change& fsm)
{
    fsm.state = read_register(fsm, esc_register::al_status_code) ? read_code : failed;
}

void read_code(al_state_change& fsm)
{
    if (!reply_ready(fsm, failed, -1))
        return;
    datagram& d = *fsm.dgram;
    if (d.working_counter == 1) {
        slave& s = *fsm.target;
        s.al_status_code = read_u16(d.data);
    }
    // Writing the current state back, error bit included, acknowledges the error.
    fsm.state = write_control(fsm, static_cast<uint16_t>(fsm.target->current_al_state)) ? check_ack_write : failed;
}

void check_ack_write(al_state_change& fsm)
{
    if (!reply_ready(fsm, failed))
        return;
    fsm.take_time = true;
    read_status_then(fsm, check_ack);
}

void check_ack(al_state_change& fsm)
{
    uint8_t current = 0;
    if (!status_arrived(fsm, current))
        return;
    if (!(current & al_state_error)) {
        // a refused change stays a failure even though the error is acknowledged now
        fsm.state = fsm.mode == al_change_mode::acknowledge ? done : failed;
        return;
    }
    if (elapsed(fsm) >= change_limit_ms) {
        fsm.state = failed;
        return;
    }
    read_status_then(fsm, check_ack);
}

void done(al_state_change&) { }
void failed(al_state_change&) { }

} // namespace

void al_change_start(al_state_change& fsm, slave& target, datagram& d, uint16_t requested_state)
{
    fsm.target = &target;
    fsm.dgram = &d;
    fsm.mode = al_change_mode::full;
    fsm.requested_state = requested_state;
    fsm.spontaneous_change = false;
    fsm.state = start;
}

void al_acknowledge_start(al_state_change& fsm, slave& target, datagram& d)
{
    fsm.target = &target;
    fsm.dgram = &d;
    fsm.mode = al_change_mode::acknowledge;
    fsm.requested_state = 0;
    fsm.spontaneous_change = false;
    fsm.state = start_code_read;
}

bool al_change_exec(al_state_change& fsm)
{
    return machine_step(fsm, done, failed);
}

bool al_change_done(const al_state_change& fsm)
{
    return fsm.state == done;
}

bool al_change_failed(const al_state_change& fsm)
{
    return fsm.state == failed;
}

} // namespace ecat
