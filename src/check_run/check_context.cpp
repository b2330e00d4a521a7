#include "check_run/check_context.h"

#include <cstdio>

namespace check {

void check_timer::finish(check_result result)
{
    std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - started_;
    result.duration_ms = took.count();
    if (context_.finished)
        context_.finished(result);
}

check_result measured(std::string name, double value, double low, double high, std::string unit, std::string detail)
{
    check_result result;
    result.name = std::move(name);
    result.verdict = value >= low && value <= high ? verdict::pass : verdict::fail;
    result.value = value;
    result.low = low;
    result.high = high;
    result.unit = std::move(unit);
    result.detail = std::move(detail);
    return result;
}

check_result observed(std::string name, std::string detail)
{
    check_result result;
    result.name = std::move(name);
    result.detail = std::move(detail);
    return result;
}

std::string short_number(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.4g", value);
    return text;
}

} // namespace check
