#include "pages/logic/line_limiter.h"

namespace page_logic {

std::string line_limiter::apply(const std::string& utf8)
{
    std::string out;
    out.reserve(utf8.size() + utf8.size() / limit_ + 1);
    for (char c : utf8) {
        bool continuation = (static_cast<unsigned char>(c) & 0xC0) == 0x80;
        if (c == '\n') {
            column_ = 0;
        } else if (!continuation) {
            if (column_ == limit_) {
                out.push_back('\n');
                column_ = 0;
            }
            ++column_;
        }
        out.push_back(c);
    }
    return out;
}

} // namespace page_logic
