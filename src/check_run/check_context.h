#pragma once
#include <atomic>
#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "check/check_plan.h"
#include "check/check_record.h"
#include "check/model_traits.h"
#include "check_run/card_port.h"

namespace check {

// What one card's checks work with: its port, its model's plan, and where a finished check goes.
struct check_context {
    card_port& port;
    const model_plan& plan;
    const model_traits& traits;
    std::string expected_serial; // empty: not compared
    std::function<void(const check_result&)> finished;
    const std::atomic<bool>* stop = nullptr;

    bool stop_requested() const { return stop && stop->load(); }
};

// Times one check from its construction and hands the result on when it ends.
class check_timer {
public:
    explicit check_timer(check_context& context) : context_(context), started_(std::chrono::steady_clock::now()) { }
    void finish(check_result result);
    void pass_if(bool passed, check_result result)
    {
        result.verdict = passed ? verdict::pass : verdict::fail;
        finish(std::move(result));
    }

private:
    check_context& context_;
    std::chrono::steady_clock::time_point started_;
};

// A check that compares a number with limits.
check_result measured(std::string name, double value, double low, double high, std::string unit,
                      std::string detail = {});
// A check that compares no number.
check_result observed(std::string name, std::string detail);

// "%.4g"-style text for details
std::string short_number(double value);

} // namespace check
