#include "ecat/fsm/sii_access.h"

#include "ecat/datagram.h"
#include "ecat/fsm/retry.h"
#include "ecat/slave.h"
#include "ecat/fsm/esc_registers.h"
#include "ecat/fsm/machine.h"

namespace ecat {

namespace {

void start_read(sii_access& fsm);
void read_check(sii_access& fsm);
void read_fetch(sii_access& fsm);
void done(sii_access& fsm);
void failed(sii_access& fsm);

constexpr uint8_t sii_control_low = 0x80;
constexpr uint8_t sii_command_read = 0x01;
constexpr uint8_t sii_status_command_error = 0x20;
constexpr uint8_t sii_status_busy_or_pending = 0x81; // busy (bit 7) or read still pending (bit 0)
constexpr uint32_t sii_read_limit_ms = 20;
constexpr int datagram_retries = 3;

bool prepare_status_read(sii_access& fsm)
{
    if (datagram_fprd(*fsm.dgram, fsm.target->station_address, esc_register::sii_control, 10) != 0)
        return false;
    datagram_zero(*fsm.dgram);
    fsm.retries = datagram_retries;
    return true;
}

void start_read(sii_access& fsm)
{
    datagram& d = *fsm.dgram;
    if (datagram_fpwr(d, fsm.target->station_address, esc_register::sii_control, 4) != 0) {
        fsm.state = failed;
        return;
    }
    d.data[0] = sii_control_low;
    d.data[1] = sii_command_read;
    write_u16(d.data + 2, fsm.word_address);
    fsm.retries = datagram_retries;
    fsm.state = read_check;
}

void read_check(sii_access& fsm)
{
    if (!reply_ready(fsm, failed))
        return;
    datagram& d = *fsm.dgram;
    // The 20 ms limit counts from the first status read.
    fsm.start_time = d.sent_time;
    fsm.check_once_more = true;
    fsm.state = prepare_status_read(fsm) ? read_fetch : failed;
}

void read_fetch(sii_access& fsm)
{
    if (!reply_ready(fsm, failed))
        return;
    datagram& d = *fsm.dgram;
    uint8_t status = d.data[1];
    if (status & sii_status_command_error) {
        fsm.state = failed;
        return;
    }
    if (status & sii_status_busy_or_pending) {
        if (d.received_time - fsm.start_time >= sii_read_limit_ms) {
            // one more look after the limit, so that a read that just finished is not lost
            if (!fsm.check_once_more) {
                fsm.state = failed;
                return;
            }
            fsm.check_once_more = false;
        }
        if (!prepare_status_read(fsm))
            fsm.state = failed;
        return;
    }
    fsm.value = read_u32(d.data + 6);
    fsm.state = done;
}

void done(sii_access&) { }
void failed(sii_access&) { }

} // namespace

void sii_read_start(sii_access& fsm, slave& target, datagram& d, uint16_t word_address)
{
    fsm.target = &target;
    fsm.dgram = &d;
    fsm.word_address = word_address;
    fsm.retries = datagram_retries;
    fsm.state = start_read;
}

bool sii_exec(sii_access& fsm)
{
    return machine_step(fsm, done, failed);
}

bool sii_done(const sii_access& fsm)
{
    return fsm.state == done;
}

bool sii_failed(const sii_access& fsm)
{
    return fsm.state == failed;
}

} // namespace ecat
