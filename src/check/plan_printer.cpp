#include "check/plan_printer.h"

#include <charconv>
#include <cstdio>
#include <sstream>

#include "check/model_traits.h"

namespace check {

namespace {

std::string toml_string(const std::string& text)
{
    std::string quoted = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += char(c);
        } else if (c < 0x20 || c == 0x7F) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04X", c);
            quoted += escape;
        } else {
            quoted += char(c);
        }
    }
    return quoted + "\"";
}

// the shortest text that reads back as the same double, always with a fraction or exponent
std::string toml_float(double value)
{
    char text[32];
    auto end = std::to_chars(text, text + sizeof text, value).ptr;
    std::string result(text, end);
    if (result.find_first_of(".en") == std::string::npos)
        result += ".0";
    return result;
}

std::string hex32(uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", value);
    return text;
}

const char* toml_bool(bool value)
{
    return value ? "true" : "false";
}

std::string wiring_list(const std::vector<jig_wire>& wiring)
{
    std::string text = "[";
    for (size_t n = 0; n < wiring.size(); ++n)
        text += (n ? ", [" : "[") + std::to_string(wiring[n].from) + ", " + std::to_string(wiring[n].to) + "]";
    return text + "]";
}

template <typename T, typename Format> std::string list(const std::vector<T>& values, Format format)
{
    std::string text = "[";
    for (size_t n = 0; n < values.size(); ++n)
        text += (n ? ", " : "") + format(values[n]);
    return text + "]";
}

void print_motion(std::ostream& out, const model_plan& plan, const model_traits& traits)
{
    const motion_plan& m = plan.motion;
    out << "\n[" << plan.model << ".motion]\n";
    if (traits.encoder)
        out << "encoder = " << toml_bool(m.encoder) << "\n";
    if (traits.counter)
        out << "counter = " << toml_bool(m.counter) << "\n";
    if (traits.encoder || traits.counter)
        out << "window_ms = " << m.window_ms << "            # the count must move within this time\n"
            << "minimum_counts = " << m.minimum_counts << "\n";
    if (traits.pwm)
        out << "pwm = " << toml_bool(m.pwm) << "\n"
            << "pwm_frequency_hz = " << toml_float(m.pwm_frequency_hz) << "\n"
            << "pwm_duty = " << toml_float(m.pwm_duty) << "             # 0 to 1\n";
    if (traits.comparators)
        out << "comparators = " << toml_bool(m.comparators) << "       # comparators and their latches\n"
            << "comparator_threshold_v = " << toml_float(m.comparator_threshold_v) << "\n";
}

void print_communication(std::ostream& out, const model_plan& plan, const model_traits& traits)
{
    if (traits.serial) {
        out << "\n[" << plan.model << ".serial]               # pattern through the jig's loop-back\n"
            << "enabled = " << toml_bool(plan.serial.enabled) << "\n"
            << "baud_rates = " << list(plan.serial.baud_rates, [](int v) { return std::to_string(v); }) << "\n"
            << "pattern_bytes = " << plan.serial.pattern_bytes << "\n";
        out << "\n[" << plan.model << ".modbus]               # write and read back on the jig's slave\n"
            << "enabled = " << toml_bool(plan.modbus.enabled) << "\n"
            << "slave_id = " << plan.modbus.slave_id << "\n"
            << "register_address = " << plan.modbus.register_address << "\n"
            << "value = " << plan.modbus.value << "\n";
    }
    if (traits.can) {
        out << "\n[" << plan.model << ".can]                  # frames to the jig's echo node and back\n"
            << "enabled = " << toml_bool(plan.can.enabled) << "\n"
            << "nominal_bit_rate = " << plan.can.nominal_bit_rate << "\n"
            << "data_bit_rate = " << plan.can.data_bit_rate << "\n"
            << "frames = [\n";
        for (const can_frame_plan& f : plan.can.frames)
            out << "  { id = " << hex32(f.identifier) << ", fd = " << toml_bool(f.fd) << ", length = " << f.length
                << " },\n";
        out << "]\n";
    }
}

} // namespace

std::string plan_toml(const model_plan& plan)
{
    const model_traits* traits = find_model_traits(plan.model);
    if (!traits)
        return {};
    std::ostringstream out;
    const std::string& m = plan.model;
    const identity_plan& id = plan.identity;
    out << "[" << m << ".identity]\n"
        << "enabled = " << toml_bool(id.enabled) << "\n"
        << "vendor_id = " << hex32(id.vendor_id) << "\n"
        << "product_code = " << hex32(id.product_code) << "\n"
        << "hardware_name = " << toml_string(id.hardware_name) << "\n"
        << "minimum_software = " << toml_string(id.minimum_software) << "    # e.g. \"V1.2.0\"; empty: any\n";
    out << "\n[" << m << ".digital]              # walking one and walking zero over every output\n"
        << "enabled = " << toml_bool(plan.digital.enabled) << "\n"
        << "wiring = " << wiring_list(plan.digital.wiring) << "   # [output, input]\n"
        << "settle_ms = " << plan.digital.settle_ms << "\n";
    const analog_plan& a = plan.analog;
    out << "\n[" << m << ".analog]\n"
        << "enabled = " << toml_bool(a.enabled) << "\n"
        << "wiring = " << wiring_list(a.wiring) << "   # [DA, AD]\n"
        << "voltages = " << list(a.voltages, toml_float) << "\n"
        << "tolerance_v = " << toml_float(a.tolerance_v) << "\n"
        << "samples = " << a.samples << "\n"
        << "noise_limit_v = " << toml_float(a.noise_limit_v) << "    # highest minus lowest sample\n"
        << "settle_ms = " << a.settle_ms << "\n";
    if (traits->encoder || traits->counter || traits->pwm || traits->comparators)
        print_motion(out, plan, *traits);
    print_communication(out, plan, *traits);
    if (traits->settings)
        out << "\n[" << m << ".settings]             # the card's configuration, compared key by key\n"
            << "enabled = " << toml_bool(plan.settings.enabled) << "\n"
            << "reference_ini = " << toml_string(plan.settings.reference_ini) << "    # empty: compare with nothing\n";
    return out.str();
}

std::string plan_file_text(const model_plan& plan)
{
    return "# Production-line check plan for " + plan.model
        + " cards.\n"
          "# Keys left out keep the built-in value; an unknown key, a wrong type or a value out of\n"
          "# range refuses the whole file. Channels count from 0.\n\n"
        + plan_toml(plan);
}

std::string plan_digest(const check_plan& plan)
{
    uint64_t hash = 0xCBF29CE484222325ull;
    for (const model_plan& model : plan.models)
        for (unsigned char c : plan_toml(model)) {
            hash ^= c;
            hash *= 0x100000001B3ull;
        }
    char text[32];
    std::snprintf(text, sizeof text, "fnv1a64:%016llx", static_cast<unsigned long long>(hash));
    return text;
}

} // namespace check
