// Identity: the model's vendor and product, and the card's own texts readable and sane.
#include <cctype>
#include <cstdio>

#include "check_run/card_checks.h"

namespace check {

namespace {

std::string hex32(uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", unsigned(value));
    return text;
}

// "YYYY.MM.DD" with a real month and day, from 2000 on
bool sane_date(const std::string& date)
{
    int year = 0, month = 0, day = 0;
    char tail = 0;
    if (std::sscanf(date.c_str(), "%4d.%2d.%2d%c", &year, &month, &day, &tail) != 3)
        return false;
    return year >= 2000 && year <= 2099 && month >= 1 && month <= 12 && day >= 1 && day <= 31;
}

// sixteen hex digits, neither all zero nor all F (an unprogrammed card)
bool sane_serial(const std::string& serial)
{
    if (serial.size() != 16)
        return false;
    for (char c : serial)
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return false;
    return serial.find_first_not_of('0') != std::string::npos && serial.find_first_not_of("Ff") != std::string::npos;
}

} // namespace

std::optional<std::vector<int>> software_version_numbers(const std::string& text)
{
    if (text.size() < 2 || (text[0] != 'V' && text[0] != 'v'))
        return std::nullopt;
    std::vector<int> numbers;
    size_t at = 1;
    while (at < text.size()) {
        if (!std::isdigit(static_cast<unsigned char>(text[at])))
            return std::nullopt;
        int number = 0;
        while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])) && number < 100000)
            number = number * 10 + (text[at++] - '0');
        numbers.push_back(number);
        if (at < text.size() && text[at++] != '.')
            return std::nullopt;
        if (at == text.size() && text.back() == '.')
            return std::nullopt;
    }
    return numbers;
}

void check_identity(check_context& context, const card_identity& id)
{
    const identity_plan& plan = context.plan.identity;
    if (!plan.enabled)
        return;
    check_timer(context).pass_if(
        id.vendor_id == plan.vendor_id,
        observed("identity.vendor_id", hex32(id.vendor_id) + ", expected " + hex32(plan.vendor_id)));
    check_timer(context).pass_if(
        id.product_code == plan.product_code,
        observed("identity.product_code", hex32(id.product_code) + ", expected " + hex32(plan.product_code)));
    check_timer(context).pass_if(
        id.hardware_name == plan.hardware_name,
        observed("identity.hardware_name", "'" + id.hardware_name + "', expected '" + plan.hardware_name + "'"));

    auto version = software_version_numbers(id.software_version);
    std::string detail = "'" + id.software_version + "'";
    bool recent = version.has_value();
    if (version && !plan.minimum_software.empty()) {
        auto minimum = software_version_numbers(plan.minimum_software);
        recent = minimum && *version >= *minimum;
        detail += ", at least " + plan.minimum_software;
    } else if (!version) {
        detail += " is no version like V1.2.0";
    }
    check_timer(context).pass_if(recent, observed("identity.software_version", detail));

    check_timer(context).pass_if(sane_date(id.date), observed("identity.date", "'" + id.date + "'"));

    bool serial_ok = sane_serial(id.serial);
    std::string serial_detail = id.serial.empty() ? std::string("unreadable") : "'" + id.serial + "'";
    if (!context.expected_serial.empty()) {
        serial_ok = serial_ok && id.serial == context.expected_serial;
        serial_detail += ", expected '" + context.expected_serial + "'";
    }
    check_timer(context).pass_if(serial_ok, observed("identity.serial", serial_detail));
}

} // namespace check
