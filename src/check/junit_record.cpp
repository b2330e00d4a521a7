#include "check/junit_record.h"

#include <cstdio>
#include <sstream>

#include "check/record_text.h"

namespace check {

namespace {

// The length of the well-formed UTF-8 sequence at text[n], or 0.
size_t utf8_length(const std::string& text, size_t n)
{
    auto byte = [&text](size_t k) { return k < text.size() ? static_cast<unsigned char>(text[k]) : 0u; };
    const unsigned lead = byte(n);
    unsigned low = 0x80, high = 0xBF; // the second byte's range, narrower after some leads
    size_t length = 0;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : low;   // no overlong forms
        high = lead == 0xED ? 0x9F : high; // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : low;
        high = lead == 0xF4 ? 0x8F : high; // nothing above U+10FFFF
    } else
        return 0;
    if (byte(n + 1) < low || byte(n + 1) > high)
        return 0;
    for (size_t k = 2; k < length; ++k)
        if (byte(n + k) < 0x80 || byte(n + k) > 0xBF)
            return 0;
    return length;
}

// Text for an attribute or element: the five markup characters escaped, and what XML 1.0
// cannot carry at all (most control characters, bytes that are no UTF-8) replaced by '?'.
// A card's texts are whatever bytes it holds.
std::string xml_text(const std::string& text)
{
    std::string escaped;
    for (size_t n = 0; n < text.size(); ++n) {
        const unsigned char c = static_cast<unsigned char>(text[n]);
        switch (c) {
        case '&': escaped += "&amp;"; break;
        case '<': escaped += "&lt;"; break;
        case '>': escaped += "&gt;"; break;
        case '"': escaped += "&quot;"; break;
        case '\'': escaped += "&apos;"; break;
        case '\t': escaped += "&#9;"; break;
        case '\n': escaped += "&#10;"; break;
        case '\r': escaped += "&#13;"; break;
        default:
            if (c < 0x20 || c == 0x7F) {
                escaped += '?';
            } else if (c < 0x80) {
                escaped += char(c);
            } else if (size_t length = utf8_length(text, n)) {
                escaped.append(text, n, length);
                n += length - 1;
            } else {
                escaped += '?';
            }
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

// the measured value and the limits, as far as the check has them, then what it saw
std::string failure_message(const check_result& c)
{
    std::string message;
    if (c.value)
        message = "value " + number_text(c.value) + " " + c.unit;
    if (c.low || c.high)
        message += ", limits " + number_text(c.low) + " to " + number_text(c.high) + " " + c.unit;
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
