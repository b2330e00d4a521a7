#include "cli/check_interrupt.h"

#include <csignal>

namespace cli {

namespace {

using handler = void (*)(int);
handler previous = SIG_DFL;

extern "C" void on_interrupt(int)
{
    check_interrupt::flag().store(true);
}

} // namespace

std::atomic<bool>& check_interrupt::flag()
{
    static std::atomic<bool> requested{false};
    return requested;
}

check_interrupt::check_interrupt()
{
    flag().store(false);
    previous = std::signal(SIGINT, on_interrupt);
}

check_interrupt::~check_interrupt()
{
    std::signal(SIGINT, previous == SIG_ERR ? SIG_DFL : previous);
}

} // namespace cli
