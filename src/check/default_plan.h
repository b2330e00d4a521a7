#pragma once
#include "check/check_plan.h"
#include "check/model_traits.h"

namespace check {

// The plan a model's cards get without a plan file: every check the model has, wired as
// the loop-back test jig is (output n to input n, DA to the AD inputs it feeds).
model_plan default_model_plan(const model_traits& traits);

// The built-in plan of all four models, source "built-in".
check_plan built_in_plan();

} // namespace check
