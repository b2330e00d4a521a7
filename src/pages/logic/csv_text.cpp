#include "pages/logic/csv_text.h"

namespace page_logic {

namespace {

void append_field(std::string& text, const std::string& field)
{
    if (field.find_first_of(",\"\r\n") == std::string::npos) {
        text += field;
        return;
    }
    text += '"';
    for (char c : field) {
        if (c == '"')
            text += '"';
        text += c;
    }
    text += '"';
}

} // namespace

std::string csv_text(const std::vector<std::vector<std::string>>& rows)
{
    std::string text = "\xEF\xBB\xBF";
    for (const std::vector<std::string>& row : rows) {
        for (size_t column = 0; column < row.size(); ++column) {
            if (column > 0)
                text += ',';
            append_field(text, row[column]);
        }
        text += "\r\n";
    }
    return text;
}

} // namespace page_logic
