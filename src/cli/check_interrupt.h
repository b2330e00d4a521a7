#pragma once
#include <atomic>

namespace cli {

// Ctrl-C during a check run: the handler only sets the flag; the runner stops after the
// step under way and makes every card safe. Restores the previous handler when it ends.
class check_interrupt {
public:
    check_interrupt();
    ~check_interrupt();
    check_interrupt(const check_interrupt&) = delete;
    check_interrupt& operator=(const check_interrupt&) = delete;

    static std::atomic<bool>& flag();
};

} // namespace cli
