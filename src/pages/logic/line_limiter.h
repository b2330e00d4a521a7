#pragma once
#include <cstddef>
#include <string>

namespace page_logic {

// Keeps the lines of a receive box short enough to lay out quickly: a run of more than
// `limit` characters without a line break (a stream with no newlines, a hex display)
// continues on a new line.
class line_limiter {
public:
    static constexpr size_t default_limit = 1024;

    explicit line_limiter(size_t limit = default_limit) : limit_(limit) { }

    // The text (UTF-8) to append, with a break wherever the line would grow too long.
    std::string apply(const std::string& utf8);
    // The box was emptied.
    void reset() { column_ = 0; }

private:
    size_t limit_;
    size_t column_ = 0;
};

} // namespace page_logic
