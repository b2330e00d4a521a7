// The SM1 repeat request: a slave puts the answer the master read last into its send
// mailbox again when the master toggles the repeat bit of SM1's activation register, and
// acknowledges with the same bit of its PDI control byte.
#include "ecat/fsm/coe_internal.h"
#include "ecat/fsm/esc_registers.h"
#include "ecat/fsm/retry.h"
#include "ecat/sdo_request.h"

namespace ecat {

namespace {

constexpr uint8_t sm_enable = 0x01;
constexpr uint8_t repeat_bit = 0x02;
constexpr uint16_t sm1_activate_register = esc_register::sync_manager_1 + 6;

// The opening of both status states: true with SM1's registers read; otherwise the check
// went out again or the transfer failed.
bool status_in(coe_transfer& fsm)
{
    datagram& d = *fsm.dgram;
    if (retry_timed_out(d, fsm.retries)) {
        coe_prepare_check(fsm);
        return false;
    }
    if (!received_with(d, 1) || d.data_size < 8) {
        coe_fail(fsm, result::failed);
        return false;
    }
    return true;
}

void repeat_check(coe_transfer& fsm)
{
    datagram& d = *fsm.dgram;
    if (!status_in(fsm))
        return;
    bool acknowledged = ((d.data[7] ^ fsm.sm1_activate) & repeat_bit) == 0;
    if (acknowledged && mailbox_full(d)) {
        fsm.retries = 3;
        if (coe_prepare_fetch(fsm))
            fsm.state = fsm.after_repeat;
        return;
    }
    if (d.received_time - fsm.response_start >= fsm.request->response_timeout_ms) {
        coe_fail(fsm, result::failed);
        return;
    }
    fsm.retries = 3;
    coe_prepare_check(fsm);
}

void repeat_requested(coe_transfer& fsm)
{
    datagram& d = *fsm.dgram;
    if (retry_timed_out(d, fsm.retries))
        return; // the same activation byte again: harmless if the first one arrived
    if (!received_with(d, 1)) {
        coe_fail(fsm, result::failed);
        return;
    }
    coe_check_again(fsm, repeat_check);
}

// Whether the lost read reached the slave shows in SM1: still full, the answer is there to
// be read again; empty, it was taken and only a repeat brings it back. Asking for a repeat
// while the new answer waits unread would hand over the answer before it instead.
void repeat_probe(coe_transfer& fsm)
{
    datagram& d = *fsm.dgram;
    if (!status_in(fsm))
        return;
    fsm.retries = 3;
    // only the repeat bit is taken from the slave: a garbled status must not switch SM1 off
    fsm.sm1_activate = uint8_t(sm_enable | (d.data[6] & repeat_bit));
    if (mailbox_full(d)) {
        if (coe_prepare_fetch(fsm))
            fsm.state = fsm.after_repeat;
        return;
    }
    if (datagram_fpwr(d, fsm.target->station_address, sm1_activate_register, 1) != 0) {
        coe_fail(fsm, result::no_memory);
        return;
    }
    fsm.sm1_activate ^= repeat_bit;
    d.data[0] = fsm.sm1_activate;
    fsm.state = repeat_requested;
}

} // namespace

bool coe_request_repeat(coe_transfer& fsm)
{
    if (fsm.repeats <= 0)
        return false;
    --fsm.repeats;
    fsm.after_repeat = fsm.state;
    coe_check_again(fsm, repeat_probe);
    return true;
}

} // namespace ecat
