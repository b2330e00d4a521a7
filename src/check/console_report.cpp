#include "check/console_report.h"

#include <cstdio>
#include <ostream>
#include <string>

#include "check/record_text.h"

namespace check {

namespace {

const char* upper_verdict(verdict v)
{
    return v == verdict::pass ? "PASS" : "FAIL";
}

std::string serial_or_unknown(const card_result& card)
{
    return card.identity.serial.empty() ? "?" : card.identity.serial;
}

} // namespace

void print_check_line(std::ostream& out, const card_result& card, const check_result& check)
{
    std::string unit = check.unit.empty() ? "" : " " + check.unit;
    out << "card " << card.position << " " << serial_or_unknown(card) << "  " << check.name << "  ";
    if (check.value)
        out << number_text(check.value) << unit << "  ";
    if (check.low || check.high)
        out << "[" << number_text(check.low) << " .. " << number_text(check.high) << "]" << unit << "  ";
    if (!check.detail.empty())
        out << check.detail << "  ";
    out << upper_verdict(check.verdict) << "\n";
}

void print_summary_table(std::ostream& out, const run_record& run)
{
    char line[160];
    std::snprintf(line, sizeof line, "%-4s  %-10s  %-20s  %6s  %6s  %s\n", "card", "model", "serial", "checks",
                  "failed", "verdict");
    out << line;
    for (const card_result& card : run.cards) {
        int failed = 0;
        for (const check_result& c : card.checks)
            failed += c.verdict == verdict::fail;
        std::snprintf(line, sizeof line, "%-4d  %-10s  %-20s  %6zu  %6d  %s\n", card.position, card.model.c_str(),
                      serial_or_unknown(card).c_str(), card.checks.size(), failed, upper_verdict(card_verdict(card)));
        out << line;
    }
}

} // namespace check
