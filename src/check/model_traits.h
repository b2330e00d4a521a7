#pragma once
#include <cstdint>
#include <string_view>

namespace check {

// What a card model has, as far as a plan may ask for it: the limits a plan is checked
// against and the numbers the built-in plan is made from.
struct model_traits {
    const char* name;
    uint32_t product_code;
    int digital_outputs;
    int digital_inputs;
    int da_outputs;
    int ad_inputs;
    bool encoder;
    bool counter;
    bool pwm;
    bool comparators; // with their latches
    bool serial;      // custom-protocol loop-back and Modbus
    bool can;
    bool settings; // configuration objects the settings page reads
};

constexpr uint32_t card_vendor_id = 0x00004B49;

// The four models in the order of the tool's model table, or null for another name.
const model_traits* find_model_traits(std::string_view name);
const model_traits* all_model_traits(int& count);

} // namespace check
