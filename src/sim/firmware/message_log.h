#pragma once
#include <functional>
#include <mutex>
#include <string>

namespace sim {

// Lines for the user from the simulated slaves' firmware and from the bus about them: on
// standard error unless the program routes them elsewhere. Safe to use from any thread.
class message_log {
public:
    void write(const std::string& line);
    void set_output(std::function<void(const std::string&)> output);

private:
    std::mutex mutex_;
    std::function<void(const std::string&)> output_;
};

} // namespace sim
