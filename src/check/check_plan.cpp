#include "check/check_plan.h"

namespace check {

const model_plan* check_plan::find(const std::string& model) const
{
    for (const model_plan& m : models)
        if (m.model == model)
            return &m;
    return nullptr;
}

} // namespace check
