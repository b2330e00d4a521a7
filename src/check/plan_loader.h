#pragma once
#include <string>
#include <vector>

#include "check/check_plan.h"

namespace check {

struct plan_load_result {
    check_plan plan;                 // meaningful only when errors is empty
    std::vector<std::string> errors; // "FILE:LINE: KEY: what is wrong", in key order
    bool ok() const { return errors.empty(); }
};

// Reads a plan file: one table per model ("[ZEIO.analog]" …). A model or key left out
// keeps the built-in plan; an unknown model or key, a value of the wrong type, a value
// out of range and a check the model does not have are each an error.
plan_load_result load_plan_file(const std::string& path);

// The same for text; source names it in errors, and a relative reference_ini is taken
// relative to folder (when not empty).
plan_load_result load_plan_text(const std::string& text, const std::string& source, const std::string& folder = {});

} // namespace check
