#pragma once
#include <memory>

#include "sim/cards/ad_clock.h"
#include "sim/cards/analog_jig.h"
#include "sim/cards/can_mailbox.h"
#include "sim/cards/card_fault_set.h"
#include "sim/cards/card_settings.h"
#include "sim/cards/comparator_latches.h"
#include "sim/cards/modbus_master.h"
#include "sim/cards/motion_counters.h"
#include "sim/cards/usart_mailbox.h"
#include "sim/description/slave_description.h"

namespace sim::cards {

// What a card model is made of.
struct card_features {
    unsigned outputs = 8;
    uint16_t input_mask = 0x00FF;
    unsigned da_outputs = 0;
    unsigned ad12_inputs = 0;
    ad12_wiring wiring = ad12_wiring::one_output;
    bool comparators_and_ad24 = false; // with latches and the settings words
    bool encoder = false;
    bool counter = false;
    bool pwm = false;
    bool serial = false; // serial mailbox and Modbus master
    bool can = false;
};

// The behaviour of one card on the jig: the card's functions, wired to its objects. It
// hands the standard firmware a copy of the card's description whose objects carry the
// behaviour, and moves what moves with time once per frame.
class card_board {
public:
    card_board(const card_features& features, const slave_description& description, uint64_t seed);
    card_board(const card_board&) = delete;
    card_board& operator=(const card_board&) = delete;

    const slave_description& description() const { return wired_; }
    void tick(object_dictionary& dictionary);
    // The card's processor starts again: outputs off, counters and latches cleared, the
    // configuration loaded from flash. The EtherCAT side stays up.
    void restart(object_dictionary& dictionary);

    analog_jig& analog() { return analog_; }
    card_fault_set& faults() { return faults_; }
    serial_port* serial() { return serial_.get(); }
    can_mailbox* can() { return can_.get(); }
    uint64_t frames() const { return frames_; }

private:
    card_features features_;
    card_fault_set faults_;
    card_config active_;
    card_io io_;
    analog_jig analog_;
    motion_counters counters_;
    ad_clock clock_;
    std::unique_ptr<comparator_latches> latches_;
    std::unique_ptr<card_settings> settings_;
    std::unique_ptr<serial_port> serial_;
    std::unique_ptr<usart_mailbox> usart_;
    std::unique_ptr<modbus_master> modbus_;
    std::unique_ptr<can_mailbox> can_;
    uint64_t frames_ = 0;
    slave_description wired_;
};

} // namespace sim::cards
