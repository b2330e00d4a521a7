#pragma once
#include <array>
#include <cstdint>
#include <deque>

namespace sim {

struct emergency_message {
    uint16_t error_code = 0;
    uint8_t error_register = 0;
    std::array<uint8_t, 5> data{};
};

// Misbehaviour asked of one slave's application; the bus sets it, the application consumes it.
struct slave_faults {
    // a request for this AL state is refused with refuse_code (0: refuse nothing)
    uint8_t refused_state = 0;
    uint16_t refuse_code = 0x0011;
    // raise an AL error with this code at the next chance (0: none)
    uint16_t pending_al_error = 0;
    // the next mailbox_errors requests are answered with a mailbox error reply of this code
    unsigned mailbox_errors = 0;
    uint16_t mailbox_error_code = 0x0001;
    // the next SDO requests each get an emergency message before their answer
    unsigned emergencies_during_transfer = 0;
    // every mailbox answer is handed to the master only this many firmware passes
    // (about one per frame, so about one per ms) after the request came in
    unsigned mailbox_answer_delay = 0;
    // emergency messages to send as soon as the mailbox allows
    std::deque<emergency_message> pending_emergencies;
};

} // namespace sim
