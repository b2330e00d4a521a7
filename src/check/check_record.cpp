#include "check/check_record.h"

#include <algorithm>

namespace check {

const char* verdict_text(verdict v)
{
    return v == verdict::pass ? "pass" : "fail";
}

verdict card_verdict(const card_result& card)
{
    bool all_passed = std::all_of(card.checks.begin(), card.checks.end(),
                                  [](const check_result& c) { return c.verdict == verdict::pass; });
    return !card.checks.empty() && all_passed ? verdict::pass : verdict::fail;
}

int run_exit_status(const run_record& run)
{
    if (run.cards.empty())
        return 1;
    for (const card_result& card : run.cards)
        if (card_verdict(card) == verdict::fail)
            return 1;
    return 0;
}

const char* tool_version()
{
    return KESTIO_TOOL_VERSION;
}

} // namespace check
