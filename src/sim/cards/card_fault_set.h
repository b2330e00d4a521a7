#pragma once
#include <array>
#include <cstdint>
#include <utility>
#include <vector>

#include "sim/bus/random_source.h"

namespace sim::cards {

// What a card has that a fault can break.
struct card_fault_shape {
    unsigned outputs = 0;
    unsigned inputs = 0;
    unsigned ad_channels = 0; // the inputs an AD fault addresses
    bool ad24 = false;        // those are the 24-bit inputs (else the 12-bit ones)
    bool serial = false;      // loop-back jumper and Modbus jig slave
    bool can = false;         // CAN echo node
};

// A converter's scale: code = zero + volts / volts_per_count.
struct ad_scale {
    double volts_per_count;
    double zero_code;
};

// The jig's peers that can stay silent.
enum class jig_peer { serial_loop_back, modbus_slave, can_echo };

// The broken parts of one card: stuck and shorted digital lines, analog inputs that read
// wrong, jig peers that do not answer. The card's functions ask it where a value passes a
// broken part; a card without faults passes every value through unchanged.
class card_fault_set {
public:
    card_fault_set(const card_fault_shape& shape, uint64_t seed) : shape_(shape), random_(seed) { }

    const card_fault_shape& shape() const { return shape_; }

    void stick_output(unsigned bit, bool level);
    void stick_input(unsigned bit, bool level);
    void short_outputs(unsigned first, unsigned second);
    void set_ad_offset(unsigned channel, double millivolts) { analog_.at(channel).offset_mv = millivolts; }
    void set_ad_gain(unsigned channel, double factor) { analog_.at(channel).gain = factor; }
    void set_ad_noise(unsigned channel, unsigned counts) { analog_.at(channel).noise_counts = counts; }
    void silence(jig_peer peer) { silent_[unsigned(peer)] = true; }
    void clear();

    // The input word the card reads from its pins when `written` is on its outputs, the jig
    // wiring output n to input n: shorts, then stuck outputs, then stuck inputs.
    uint16_t wired_inputs(uint16_t written) const;
    // A code of the converter (12- or 24-bit) for AD input `channel` with its faults: gain and
    // offset on the voltage, then up to +/- noise counts drawn anew for every reading.
    double faulty_code(bool ad24, unsigned channel, double code, const ad_scale& scale);
    bool answers(jig_peer peer) const { return !silent_[unsigned(peer)]; }

private:
    struct analog_fault {
        double offset_mv = 0;
        double gain = 1;
        unsigned noise_counts = 0;
    };
    struct stuck_bits {
        uint16_t mask = 0;
        uint16_t levels = 0;
        void stick(unsigned bit, bool level);
        uint16_t apply(uint16_t word) const { return uint16_t((word & ~mask) | (levels & mask)); }
    };

    card_fault_shape shape_;
    random_source random_;
    stuck_bits stuck_outputs_;
    stuck_bits stuck_inputs_;
    std::vector<std::pair<unsigned, unsigned>> shorts_;
    std::array<analog_fault, 16> analog_{};
    std::array<bool, 3> silent_{};
};

} // namespace sim::cards
