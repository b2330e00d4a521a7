#pragma once
#include "sim/chip/esc.h"
#include "sim/chip/ethercat_frame.h"

namespace sim {

// Lets one datagram pass one ESC: addressing (auto-increment, configured station address
// or alias, broadcast, logical), the access itself and the working counter (read +1,
// write +1, read-write +1 for the read and +2 for the write; ARMW/FRMW: the addressed
// slave reads, every other slave writes, +1 each). Position and broadcast addresses are
// incremented on the way, as every slave does.
void process_datagram(esc& controller, datagram_view& datagram);

} // namespace sim
