#pragma once
#include "ecat/datagram.h"
#include "ecat/fsm/retry.h"

// The plumbing the slave machines share; each keeps one function per state.
namespace ecat {

template <class Machine> using machine_state = void (*)(Machine&);

// One step: runs the current state unless the machine has ended in `done` or `failed`.
// True while the machine still runs after the step.
template <class Machine> bool machine_step(Machine& fsm, machine_state<Machine> done, machine_state<Machine> failed)
{
    if (fsm.state == done || fsm.state == failed)
        return false;
    fsm.state(fsm);
    return fsm.state != done && fsm.state != failed;
}

// The opening of a waiting state: a datagram that timed out is sent again while the
// retries last (false, state unchanged); one that did not come back, or came back with
// another working counter than `counter` (any counter when counter < 0), ends the
// machine in `failed` (false). True when the reply is there to be read.
template <class Machine> bool reply_ready(Machine& fsm, machine_state<Machine> failed, int counter = 1)
{
    const datagram& d = *fsm.dgram;
    if (retry_timed_out(d, fsm.retries))
        return false;
    bool arrived = counter < 0 ? d.state == datagram_state::received : received_with(d, uint16_t(counter));
    if (!arrived) {
        fsm.state = failed;
        return false;
    }
    return true;
}

} // namespace ecat
