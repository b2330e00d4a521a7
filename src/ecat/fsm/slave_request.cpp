#include "ecat/fsm/slave_request.h"

#include "ecat/fsm/al_texts.h"
#include "ecat/master.h"
#include "ecat/slave.h"

namespace ecat {

namespace {

void end(slave_request_machine& fsm);
void ready(slave_request_machine& fsm);
void sdo_busy(slave_request_machine& fsm);

void finish(slave_request_machine& fsm, request_state result)
{
    if (!fsm.sdo)
        return; // withdrawn by its caller: nobody waits for it
    fsm.sdo->state = result;
    fsm.sdo = nullptr;
    master_signal_request_done(*fsm.owner->owner);
}

void end(slave_request_machine&) { }

void ready(slave_request_machine& fsm)
{
    slave& s = *fsm.owner;
    sdo_request* request = s.sdo_requests.pop_front();
    if (!request)
        return;
    fsm.sdo = request;
    if ((s.current_al_state & al_state_error) || s.current_al_state == al_state_init) {
        finish(fsm, request_state::failure);
        fsm.state = end;
        return;
    }
    request->state = request_state::busy;
    coe_start(fsm.coe, s, *request);
    fsm.coe.dgram = fsm.dgram;
    coe_exec(fsm.coe);
    fsm.state = sdo_busy;
    if (!coe_done(fsm.coe) && !coe_failed(fsm.coe))
        return;
    // ended without bus traffic (no CoE, mailbox too small)
    finish(fsm, coe_done(fsm.coe) ? request_state::success : request_state::failure);
    fsm.state = ready;
}

void sdo_busy(slave_request_machine& fsm)
{
    fsm.coe.dgram = fsm.dgram;
    if (coe_exec(fsm.coe))
        return;
    finish(fsm, coe_done(fsm.coe) ? request_state::success : request_state::failure);
    fsm.state = ready;
}

} // namespace

void slave_request_init(slave_request_machine& fsm, slave& owner)
{
    fsm.owner = &owner;
    fsm.state = end;
    fsm.dgram = nullptr;
    fsm.sdo = nullptr;
    fsm.coe = coe_transfer{};
}

void slave_request_exec(slave_request_machine& fsm, datagram& d)
{
    fsm.dgram = &d;
    fsm.state(fsm);
}

bool slave_request_is_end(const slave_request_machine& fsm)
{
    return fsm.state == end;
}

bool slave_request_is_ready(const slave_request_machine& fsm)
{
    return fsm.state == ready;
}

void slave_request_set_ready(slave_request_machine& fsm)
{
    fsm.state = ready;
}

bool slave_request_withdraw(slave_request_machine& fsm, const sdo_request& request)
{
    if (fsm.sdo != &request)
        return false;
    coe_abandon(fsm.coe);
    fsm.sdo = nullptr;
    return true;
}

void slave_request_fail_in_service(slave_request_machine& fsm)
{
    if (fsm.sdo)
        finish(fsm, request_state::failure);
    fsm.state = end;
    fsm.dgram = nullptr;
}

} // namespace ecat
