#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "pages/logic/status_list.h"

struct polled_values;

namespace page_logic {

// One channel row of the Modbus page's list: the channel object's subindices and its data.
struct modbus_row {
    uint8_t slave_id = 0;       // :04
    uint16_t address = 0;       // :02
    uint8_t bit_count = 0;      // :03
    uint8_t register_type = 0;  // :05, 0 none .. 4 holding register
    uint32_t data = 0;          // the channel's data word
    uint8_t run = 0;            // :06
    uint16_t status = 0;        // :01
    uint16_t timeout_count = 0; // :07
    bool operator==(const modbus_row&) const = default;
};

// Rows 0..7 are Rx channels 0..7, rows 8..15 Tx channels 0..7.
using modbus_rows = std::array<modbus_row, 16>;

modbus_rows modbus_rows_from(const polled_values& polled);

// Cell texts.
std::string register_type_text(uint8_t type);
std::string run_text(uint8_t run);
std::string status_text(uint16_t status);
// The status cell's tooltip: the states of the word by the simulated card's table, the bits
// that table does not know called unknown, then the table itself.
std::string status_tooltip(uint16_t status);

// The Modbus page's list 1002: ten columns, sixteen rows, each cell redrawn only when its
// value changed since it was last drawn.
class modbus_list {
public:
    static constexpr int rows = 16;
    static constexpr int status_column = 8;
    static const std::vector<list_column>& columns();
    static std::vector<list_label> labels();

    // Every value cell from the last-drawn copies (zeros at first).
    cell_updates draw_all() const;
    // The cells whose value differs from the last-drawn one; they count as drawn.
    cell_updates refresh(const modbus_rows& current);

private:
    modbus_rows shown_{};
};

} // namespace page_logic
