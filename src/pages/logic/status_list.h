#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace page_logic {

// The report list of an IO page as plain data: its columns, its fixed labels, and the
// value cells a refresh rewrites. The page's widget only draws what these say.

enum class alignment { left, right };

// What the value cells of a column show, so that the column can be as wide as the
// widest text of its formats.
enum class cell_format { hex32, volts_24bit, volts_12bit, u16, s32, u32, hertz, duty };

struct list_column {
    const char* header;
    int width; // at least; wider where the font needs it
    alignment align;
    std::vector<cell_format> formats = {};
};

struct list_label {
    int row;
    int column;
    std::string text;
};

// Image of a bit cell: 0 a grey cell with "0", 1 a red-bordered cell with "1".
constexpr int no_image = -1;

// One value cell to rewrite: a bit image, or a text when image is no_image.
struct cell_update {
    int row = 0;
    int column = 0;
    int image = no_image;
    std::string text;
    bool operator==(const cell_update&) const = default;
};
using cell_updates = std::vector<cell_update>;

// Brings the last-shown copy of a value to the current one; true when they differed, that
// is when the value's cells must be rewritten.
template <typename T> bool take_change(T current, T& last_shown)
{
    if (current == last_shown)
        return false;
    last_shown = current;
    return true;
}

// Labels "<prefix><first + row>:" for rows 0..count-1 of a column.
void add_numbered_labels(std::vector<list_label>& labels, int column, const char* prefix, int first, int count);

// The images of bits first..first+count-1 of a word, in rows 0.. of a column.
void add_bit_images(cell_updates& cells, uint16_t word, int first_bit, int count, int column);

inline void add_text(cell_updates& cells, int row, int column, std::string text)
{
    cells.push_back({row, column, no_image, std::move(text)});
}

} // namespace page_logic
