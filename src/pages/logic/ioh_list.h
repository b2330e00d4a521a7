#pragma once
#include <cstdint>
#include <vector>

#include "pages/logic/status_list.h"

struct polled_values;

namespace page_logic {

// What the IOH page (KOVA-H) shows.
struct ioh_values {
    uint16_t inputs = 0;
    uint16_t outputs = 0;
    uint16_t analog_inputs[4] = {};
    uint16_t analog_outputs[2] = {};
    uint32_t pwm_frequencies[2] = {}; // 16.16 Hz
    uint16_t pwm_duties[2] = {};      // fraction × 65536
    int32_t counter = 0;
    int32_t encoder = 0;
};

ioh_values ioh_values_from(const polled_values& polled);

// The IOH page's status list: ten rows; bits 0..8 of the inputs and outputs, the analog
// and PWM values, the counter and the encoder.
class ioh_list {
public:
    static constexpr int rows = 10;
    // bits of the input and output words the list shows
    static constexpr int shown_bits = 9;
    static const std::vector<list_column>& columns();
    static std::vector<list_label> labels();

    // As io_list::refresh.
    cell_updates refresh(const ioh_values& current);

private:
    ioh_values shown_ = {1, 1, {1, 1, 1, 1}, {1, 1}, {1, 1}, {1, 1}, 1, 1};
};

} // namespace page_logic
