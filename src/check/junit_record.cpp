#include "check/junit_record.h"

#include <cstdio>
#include <sstream>

#include "check/time_text.h"

namespace check {

namespace {

// Text for an attribute or element: the five markup characters escaped, and the control
// characters XML 1.0 cannot carry at all replaced by '?'.
std::string xml_text(const std::string& text)
{
    std::string escaped;
    for (char c : text) {
        switch (c) {
        case '&': escaped += "&amp;"; break;
        case '<': escaped += "&lt;"; break;
        case '>': escaped += "&gt;"; break;
        case '"': escaped += "&quot;"; break;
        case '\'': escaped += "&apos;"; break;
        case '\t': escaped += "&#9;"; break;
        case '\n': escaped += "&#10;"; break;
        case '\r': escaped += "&#13;"; break;
        default: escaped += static_cast<unsigned char>(c) < 0x20 ? '?' : c;
        }
    }
    return escaped;
}

std::string seconds(double milliseconds)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", milliseconds / 1000.0);
    return text;
}

std::string number(const std::optional<double>& value)
{
    if (!value)
        return "-";
    char text[32];
    std::snprintf(text, sizeof text, "%g", *value);
    return text;
}

// the measured value and the limits, as far as the check has them, then what it saw
std::string failure_message(const check_result& c)
{
    std::string message;
    if (c.value)
        message = "value " + number(c.value) + " " + c.unit;
    if (c.low || c.high)
        message += ", limits " + number(c.low) + " to " + number(c.high) + " " + c.unit;
    if (!c.detail.empty())
        message += (message.empty() ? "" : ": ") + c.detail;
    return message.empty() ? "failed" : message;
}

void write_suite(std::ostream& out, const card_result& card, const run_record& run)
{
    int failures = 0;
    double milliseconds = 0;
    for (const check_result& c : card.checks) {
        failures += c.verdict == verdict::fail;
        milliseconds += c.duration_ms;
    }
    const std::string serial = card.identity.serial.empty() ? "unknown" : card.identity.serial;
    const std::string suite = card.model + " " + serial;
    out << "  <testsuite name=\"" << xml_text(suite) << "\" tests=\"" << card.checks.size() << "\" failures=\""
        << failures << "\" errors=\"0\" skipped=\"0\" time=\"" << seconds(milliseconds) << "\" timestamp=\""
        << iso8601_utc(run.started) << "\" hostname=\"" << xml_text(run.station) << "\">\n"
        << "    <properties>\n"
        << "      <property name=\"position\" value=\"" << card.position << "\"/>\n"
        << "      <property name=\"operator\" value=\"" << xml_text(run.operator_name) << "\"/>\n"
        << "      <property name=\"plan_digest\" value=\"" << xml_text(run.plan_digest) << "\"/>\n"
        << "      <property name=\"software_version\" value=\"" << xml_text(card.identity.software_version) << "\"/>\n"
        << "    </properties>\n";
    const std::string class_name = xml_text(card.model + "." + serial);
    for (const check_result& c : card.checks) {
        out << "    <testcase name=\"" << xml_text(c.name) << "\" classname=\"" << class_name << "\" time=\""
            << seconds(c.duration_ms) << "\"";
        if (c.verdict == verdict::pass) {
            out << "/>\n";
            continue;
        }
        out << ">\n      <failure message=\"" << xml_text(failure_message(c)) << "\" type=\"limit\">"
            << xml_text(c.detail) << "</failure>\n    </testcase>\n";
    }
    out << "  </testsuite>\n";
}

} // namespace

std::string run_junit(const run_record& run)
{
    size_t tests = 0, failures = 0;
    for (const card_result& card : run.cards)
        for (const check_result& c : card.checks) {
            ++tests;
            failures += c.verdict == verdict::fail;
        }
    std::ostringstream out;
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<testsuites name=\"kestio-cli check\" tests=\"" << tests << "\" failures=\"" << failures
        << "\" errors=\"0\">\n";
    for (const card_result& card : run.cards)
        write_suite(out, card, run);
    out << "</testsuites>\n";
    return out.str();
}

} // namespace check
