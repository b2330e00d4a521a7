#pragma once
#include <cstdint>
#include <deque>
#include <vector>

#include "sim/firmware/coe_sdo_server.h"
#include "sim/chip/pdi.h"
#include "sim/description/slave_description.h"
#include "sim/firmware/slave_faults.h"

namespace sim {

// The slave application's mailbox: takes each mailbox the master writes into SM0, hands CoE
// to the SDO server, answers anything it cannot take with a mailbox error reply (type 0),
// and feeds replies and emergencies into SM1 one at a time as the master empties it. When the
// master toggles SM1's repeat request, the reply it read last goes into SM1 again.
class mailbox_handler {
public:
    mailbox_handler(const slave_description& description, object_dictionary& dictionary, slave_faults& faults);

    // One pass of the firmware loop; in_boot limits the mailbox to the boot protocols.
    void run(pdi& chip, bool in_boot);
    // The mailbox was switched off (back to INIT): drop everything pending.
    void reset();
    // Requests not served because they carried the counter of the last one, since power-up.
    uint64_t repeats_ignored() const { return repeats_ignored_; }

private:
    void take_request(const std::vector<uint8_t>& mailbox, bool in_boot);
    void post(uint8_t type, std::vector<uint8_t> service_data);
    void post_error(uint16_t code);
    void deliver(pdi& chip);
    void answer_repeat_request(pdi& chip);
    bool fill_send_mailbox(pdi& chip, const std::vector<uint8_t>& message);

    const slave_description& description_;
    slave_faults& faults_;
    coe_sdo_server sdo_server_;
    struct outgoing {
        std::vector<uint8_t> message;
        uint64_t ready_pass; // handed over from this firmware pass on
    };
    std::deque<outgoing> outbox_;
    uint64_t pass_ = 0;
    // the reply last put into SM1, and the one before it, which the master has read
    std::vector<uint8_t> in_send_mailbox_;
    std::vector<uint8_t> read_by_master_;
    uint8_t last_counter_ = 0;
    uint8_t send_counter_ = 0;
    size_t send_room_ = 0;
    uint64_t repeats_ignored_ = 0;
};

} // namespace sim
