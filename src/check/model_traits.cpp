#include "check/model_traits.h"

namespace check {

namespace {

// AD input counts as the model table in src/app/card_model.cpp gives the AD test page (that
// library needs Qt); digital and analog counts, product codes and features as the IO pages
// and the card objects define them.
constexpr model_traits models[] = {
    {"ZEIO", 0x00020001, 8, 8, 4, 2, true, false, false, true, true, false, true},
    {"KOVA-H", 0x00020002, 16, 9, 2, 4, true, true, true, false, true, true, false},
    {"KOVA-16IO", 0x00020003, 16, 16, 1, 2, false, false, false, false, false, false, false},
    {"KOVA-AD", 0x00020004, 8, 8, 4, 16, true, false, false, true, false, false, true},
};

} // namespace

const model_traits* find_model_traits(std::string_view name)
{
    for (const model_traits& m : models)
        if (name == m.name)
            return &m;
    return nullptr;
}

const model_traits* all_model_traits(int& count)
{
    count = int(std::size(models));
    return models;
}

} // namespace check
