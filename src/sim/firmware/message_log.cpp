#include "sim/firmware/message_log.h"

#include <cstdio>

namespace sim {

void message_log::write(const std::string& line)
{
    std::lock_guard lock(mutex_);
    if (output_)
        output_(line);
    else
        std::fprintf(stderr, "simulated bus: %s\n", line.c_str());
}

void message_log::set_output(std::function<void(const std::string&)> output)
{
    std::lock_guard lock(mutex_);
    output_ = std::move(output);
}

} // namespace sim
