#pragma once
#include <cstdint>
#include <vector>

#include "sim/bus/random_source.h"
#include "sim/chip/ethercat_frame.h"

namespace sim {

// Mutates reply frames the way a broken or half-flashed slave might answer, to fuzz a
// master's receive path: wrong datagram lengths and "more" bits, wrong index or command,
// lying working counters, mailbox and CoE headers that lie, SII words and AL status
// values that make no sense, and truncated frames.
class reply_mutator {
public:
    enum kind : unsigned {
        datagram_length,
        more_bit,
        index_or_command,
        working_counter,
        mailbox_header,
        coe_header,
        sii_data,
        al_status,
        truncated,
        kind_count
    };

    // probability: the share of replies that are mutated (0 turns it off).
    void set_probability(double probability) { probability_ = probability; }
    double probability() const { return probability_; }
    // Mutates frame with the probability; true when it did.
    bool maybe_mutate(std::vector<uint8_t>& frame, random_source& random);
    // One mutation of the given kind (for tests); the frame must hold at least one datagram.
    void mutate(std::vector<uint8_t>& frame, kind which, random_source& random);
    uint64_t mutated() const { return mutated_; }

private:
    double probability_ = 0;
    uint64_t mutated_ = 0;
    std::vector<datagram_view> datagrams_;
};

} // namespace sim
