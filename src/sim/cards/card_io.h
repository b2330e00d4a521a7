#pragma once
#include <array>
#include <cstdint>

#include "sim/cards/card_fault_set.h"
#include "sim/cards/card_hooks.h"

namespace sim::cards {

// The digital and analog outputs of a card and the jig wiring of the outputs back to the
// inputs: input n is output n for every input the card has.
class card_io {
public:
    card_io(uint16_t input_mask, unsigned da_outputs, unsigned comparator_thresholds, const card_fault_set& faults)
        : input_mask_(input_mask),
          da_outputs_(da_outputs),
          thresholds_count_(comparator_thresholds),
          faults_(faults)
    {
    }

    // digital inputs and outputs, DA outputs, comparator threshold DAs
    void install(card_hooks& hooks);
    // a restart switches every output off
    void reset(object_dictionary& dictionary);

    uint16_t inputs() const { return faults_.wired_inputs(outputs_) & input_mask_; }
    uint16_t da(unsigned channel) const { return channel < da_outputs_ ? da_[channel] : 0; }
    uint16_t threshold(unsigned comparator) const
    {
        return comparator < thresholds_count_ ? thresholds_[comparator] : 0;
    }

private:
    static uint32_t set_code(uint16_t& target, const std::vector<uint8_t>& data);

    uint16_t input_mask_;
    unsigned da_outputs_;
    unsigned thresholds_count_;
    const card_fault_set& faults_;
    uint16_t outputs_ = 0;
    std::array<uint16_t, 4> da_{};
    std::array<uint16_t, 2> thresholds_{};
};

constexpr uint16_t da_full_scale = 4095;

} // namespace sim::cards
