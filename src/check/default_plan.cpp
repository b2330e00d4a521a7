#include "check/default_plan.h"

#include <algorithm>

namespace check {

namespace {

std::vector<jig_wire> digital_loop_back(const model_traits& traits)
{
    std::vector<jig_wire> wiring;
    for (int n = 0; n < std::min(traits.digital_outputs, traits.digital_inputs); ++n)
        wiring.push_back({n, n});
    return wiring;
}

// AD input n is fed by DA output n modulo the DA count, as on the jig.
std::vector<jig_wire> analog_loop_back(const model_traits& traits)
{
    std::vector<jig_wire> wiring;
    for (int ad = 0; ad < traits.ad_inputs; ++ad)
        wiring.push_back({ad % traits.da_outputs, ad});
    return wiring;
}

} // namespace

model_plan default_model_plan(const model_traits& traits)
{
    model_plan plan;
    plan.model = traits.name;
    plan.identity.vendor_id = card_vendor_id;
    plan.identity.product_code = traits.product_code;
    plan.identity.hardware_name = traits.name;
    plan.digital.wiring = digital_loop_back(traits);
    plan.analog.wiring = analog_loop_back(traits);
    plan.analog.voltages = {0.5, 2.5, 5.0, 7.5, 9.5};
    plan.motion.encoder = traits.encoder;
    plan.motion.counter = traits.counter;
    plan.motion.pwm = traits.pwm;
    plan.motion.comparators = traits.comparators;
    plan.serial.enabled = traits.serial;
    plan.serial.baud_rates = {9600, 115200};
    plan.modbus.enabled = traits.serial;
    plan.can.enabled = traits.can;
    plan.can.frames = {{0x123, false, 8}, {0x1ABCDE01, false, 0}, {0x456, true, 64}, {0x7FF, true, 12}};
    plan.settings.enabled = traits.settings;
    return plan;
}

check_plan built_in_plan()
{
    check_plan plan;
    plan.source = "built-in";
    int count = 0;
    const model_traits* traits = all_model_traits(count);
    for (int n = 0; n < count; ++n)
        plan.models.push_back(default_model_plan(traits[n]));
    return plan;
}

} // namespace check
