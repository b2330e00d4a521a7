#include "pages/logic/display_buffer.h"

namespace page_logic {

std::vector<uint8_t> display_buffer::add(const uint8_t* bytes, size_t length)
{
    buffer_.insert(buffer_.end(), bytes, bytes + length);
    size_t full = buffer_.size() - buffer_.size() % capacity;
    if (full == 0)
        return {};
    std::vector<uint8_t> show(buffer_.begin(), buffer_.begin() + std::ptrdiff_t(full));
    buffer_.erase(buffer_.begin(), buffer_.begin() + std::ptrdiff_t(full));
    count_at_last_tick_ = 0; // what remains arrived after the last tick
    return show;
}

std::vector<uint8_t> display_buffer::tick()
{
    std::vector<uint8_t> show;
    if (!buffer_.empty() && buffer_.size() == count_at_last_tick_)
        show.swap(buffer_);
    count_at_last_tick_ = buffer_.size();
    return show;
}

std::vector<uint8_t> display_buffer::take_all()
{
    std::vector<uint8_t> show;
    show.swap(buffer_);
    count_at_last_tick_ = 0;
    return show;
}

void display_buffer::clear()
{
    buffer_.clear();
    count_at_last_tick_ = 0;
}

} // namespace page_logic
