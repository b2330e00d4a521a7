#pragma once
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace check {

enum class verdict { pass, fail };

const char* verdict_text(verdict v); // "pass" or "fail"

// One finished check of one card: what was measured against which limits. A check that
// compares no number (a name, a serial) leaves value and limits empty and says what it
// saw in detail.
struct check_result {
    std::string name; // group.item, e.g. "digital.walking_one.out3"
    check::verdict verdict = verdict::fail;
    std::optional<double> value;
    std::optional<double> low;
    std::optional<double> high;
    std::string unit;
    std::string detail;
    double duration_ms = 0;
};

// What the card says about itself.
struct card_identity {
    uint32_t vendor_id = 0;
    uint32_t product_code = 0;
    std::string hardware_name;
    std::string software_version;
    std::string date;   // as the card gives it, e.g. "2025-06-18"
    std::string serial; // empty when it could not be read
};

struct card_result {
    int position = 0; // ring position on the bus
    std::string model;
    card_identity identity;
    std::vector<check_result> checks;
};

// A card passes when it ran at least one check and every check passed: a card that ran
// none was not tested.
verdict card_verdict(const card_result& card);

struct run_record {
    std::string station;
    std::string operator_name;
    std::chrono::system_clock::time_point started;
    std::chrono::system_clock::time_point ended;
    std::string tool_version;
    std::string plan_digest;
    std::string plan_source; // the plan file, or "built-in"
    std::vector<card_result> cards;
};

// 0 when every card passed, 1 when a card failed (a run with no card failed too).
int run_exit_status(const run_record& run);

// This build's version, as the records name it.
const char* tool_version();

} // namespace check
