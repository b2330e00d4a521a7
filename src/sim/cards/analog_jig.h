#pragma once
#include <cstdint>

#include "sim/cards/card_config.h"
#include "sim/cards/card_fault_set.h"
#include "sim/cards/card_io.h"
#include "sim/bus/random_source.h"

namespace sim::cards {

// How the jig feeds a card's 12-bit analog inputs.
enum class ad12_wiring {
    comparator_inputs, // CMP0N, CMP0P, CMP1N, CMP1P: DA2, DA0, DA3, DA1; N from the threshold when single-ended
    two_outputs,       // AD n from DA (n mod 2)
    one_output,        // every input from DA0
};

// Noise the jig adds to a sample, in counts of the converter (standard deviation for the
// 24-bit converter, +/- bound for the 12-bit one).
struct jig_noise {
    double ad24_counts = 40.0;
    unsigned ad12_counts = 1;
};

// The analog side of the test jig: DA outputs wired to the AD inputs, sampled with noise
// drawn from the card's own seeded source, so that a seed replays the same samples.
class analog_jig {
public:
    analog_jig(const card_io& io, const card_config& config, ad12_wiring wiring, unsigned ad12_inputs, uint64_t seed,
               card_fault_set& faults)
        : io_(io),
          config_(config),
          wiring_(wiring),
          ad12_inputs_(ad12_inputs),
          random_(seed),
          faults_(faults)
    {
    }

    // the 12-bit inputs and, with the comparator wiring, the sixteen 24-bit inputs
    void install(card_hooks& hooks);

    // Noiseless input voltage as a 12-bit code: what a comparator compares.
    uint16_t ad12_level(unsigned channel) const;
    uint16_t sample_ad12(unsigned channel);
    // 24-bit code: (volts / 25 + 1) * 2^23, centred on 0 V.
    uint32_t sample_ad24(unsigned channel);

    jig_noise noise;

private:
    double da_volts(unsigned channel) const;
    double standard_normal();

    const card_io& io_;
    const card_config& config_;
    ad12_wiring wiring_;
    unsigned ad12_inputs_;
    random_source random_;
    card_fault_set& faults_;
};

} // namespace sim::cards
