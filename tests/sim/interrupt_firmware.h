#pragma once
#include <cstdint>
#include <deque>
#include <vector>

#include "sim/firmware/al_state_machine.h"
#include "sim/firmware/coe_sdo_server.h"
#include "sim/firmware/object_dictionary.h"
#include "sim/firmware/slave_application.h"

namespace simtest {

// Slave firmware written the interrupt-driven way, as firmware from other slave stacks is: it
// reads the AL event request register (0x0220) after every access and acts on its bits alone.
// Bit 0 runs the AL state machine, bit 8 reads SM0, bit 9 acknowledges the master's read of SM1
// by writing SM1's first byte, bit 4 answers a repeat request. It never looks at a status byte,
// and an event the chip fails to clear hangs it, as it would hang a slave's interrupt routine.
class interrupt_firmware : public sim::slave_application {
public:
    interrupt_firmware(const sim::slave_description& description, sim::slave_faults& faults);

    void run(sim::pdi& chip) override;

private:
    void serve(sim::pdi& io);
    void take_request(sim::pdi& io);
    void acknowledge_read(sim::pdi& io);
    void answer_repeat(sim::pdi& io);
    void send_next(sim::pdi& io);
    void fill_send_mailbox(sim::pdi& io, const std::vector<uint8_t>& message);
    void reset_mailbox();

    sim::object_dictionary dictionary_;
    sim::al_state_machine al_;
    sim::coe_sdo_server sdo_;
    uint32_t events_ = 0;
    bool powered_ = false;
    bool hung_ = false;
    std::deque<std::vector<uint8_t>> replies_;
    // SM1 as this firmware last left it, and the reply the master read before
    std::vector<uint8_t> in_send_mailbox_;
    std::vector<uint8_t> last_read_;
    bool send_mailbox_free_ = true;
    uint8_t counter_ = 0;
};

} // namespace simtest
