#pragma once
#include "ecat/datagram.h"

namespace ecat {

// The retry rule every waiting state applies first: a datagram that timed out is
// sent again unchanged while the retry counter, counted down, lasts.
inline bool retry_timed_out(const datagram& d, int& retries)
{
    return d.state == datagram_state::timed_out && retries-- > 0;
}

// True when the datagram came back with exactly the expected working counter.
inline bool received_with(const datagram& d, uint16_t working_counter)
{
    return d.state == datagram_state::received && d.working_counter == working_counter;
}

} // namespace ecat
