#pragma once
#include <cstdint>
#include <vector>

#include "pages/logic/status_list.h"

struct polled_values;

namespace page_logic {

// What the IO16 page (KOVA-16IO) shows.
struct io16_values {
    uint16_t inputs = 0;
    uint16_t outputs = 0;
    uint16_t analog_inputs[2] = {}; // AD1, AD2
    uint16_t analog_output = 0;     // DA1
};

io16_values io16_values_from(const polled_values& polled);

// The IO16 page's status list: sixteen inputs and outputs in two column pairs each, and
// the rows AD1, AD2, DA1.
class io16_list {
public:
    static constexpr int rows = 8;
    static const std::vector<list_column>& columns();
    static std::vector<list_label> labels();

    // As io_list::refresh.
    cell_updates refresh(const io16_values& current);

private:
    io16_values shown_ = {1, 1, {1, 1}, 1};
};

} // namespace page_logic
