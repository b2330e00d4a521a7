#pragma once
#include <atomic>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "check/check_plan.h"
#include "check/check_record.h"
#include "check_run/card_port.h"

namespace check {

struct card_under_test {
    int position = 0;
    std::unique_ptr<card_port> port;
};

// How one card's run ended.
struct card_outcome {
    card_result result;
    bool tested = false;   // its model was recognised and its checks ran
    bool complete = false; // every group ran: not cut short by a stop
    bool safe = true;      // every return to the safe state succeeded
    std::string problem;   // why it could not be tested
};

struct run_settings {
    const check_plan* plan = nullptr;
    std::string expected_serial;
    const std::atomic<bool>* stop = nullptr;
    // Called for each card that ran every group, from its worker; the runner serialises
    // the calls with the console lines.
    std::function<void(const card_result&)> card_done;
    // Called from the worker with each group's time, its return to the safe state included.
    std::function<void(const card_result&, const char* group, double milliseconds)> group_timed;
};

// Runs every card's plan at the same time, one worker thread per card, and prints one line
// per finished check as it finishes. Each group ends with the card's outputs back in their
// safe state, and so does the run, also when it is stopped.
std::vector<card_outcome> run_cards(std::vector<card_under_test>& cards, const run_settings& settings,
                                    std::ostream& out);

// One card on the calling thread, as a worker runs it; print is called for each line.
card_outcome run_card(card_under_test& card, const run_settings& settings,
                      const std::function<void(const card_result&, const check_result&)>& finished);

} // namespace check
