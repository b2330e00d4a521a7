#include "pages/logic/status_list.h"

namespace page_logic {

void add_numbered_labels(std::vector<list_label>& labels, int column, const char* prefix, int first, int count)
{
    for (int row = 0; row < count; ++row)
        labels.push_back({row, column, prefix + std::to_string(first + row) + ":"});
}

void add_bit_images(cell_updates& cells, uint16_t word, int first_bit, int count, int column)
{
    for (int row = 0; row < count; ++row)
        cells.push_back({row, column, (word >> (first_bit + row)) & 1, {}});
}

} // namespace page_logic
