#pragma once
#include <string>

#include "check/check_plan.h"

namespace check {

// The TOML tables of one model's plan ("[ZEIO.analog]" …), holding every key of the
// groups the model has; loading them back gives the same plan.
std::string plan_toml(const model_plan& plan);

// plan_toml with a comment header: what --print-plan writes as a file to start from.
std::string plan_file_text(const model_plan& plan);

// "fnv1a64:" and 16 hex digits of FNV-1a (64 bit) over plan_toml of every model in order,
// so that a plan written differently but meaning the same has the same digest.
std::string plan_digest(const check_plan& plan);

} // namespace check
