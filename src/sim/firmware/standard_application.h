#pragma once
#include "sim/firmware/al_state_machine.h"
#include "sim/firmware/mailbox_handler.h"
#include "sim/firmware/object_dictionary.h"
#include "sim/firmware/slave_application.h"

namespace sim {

// The firmware every simulated slave runs: the AL state machine, and for slaves with a
// mailbox the mailbox handler with its CoE SDO server over the slave's object dictionary.
// Card behaviour lives in the dictionary's hooks.
class standard_application : public slave_application {
public:
    standard_application(const slave_description& description, slave_faults& faults);

    void run(pdi& chip) override;
    object_dictionary& dictionary() { return dictionary_; }
    const mailbox_handler& mailbox() const { return mailbox_; }

private:
    const slave_description& description_;
    slave_faults& faults_;
    object_dictionary dictionary_;
    al_state_machine al_;
    mailbox_handler mailbox_;
    bool powered_ = false;
    uint8_t last_state_ = 0;
};

} // namespace sim
