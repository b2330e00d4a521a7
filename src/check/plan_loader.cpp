#include "check/plan_loader.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "check/default_plan.h"
#include "check/toml_fields.h"

namespace check {

namespace {

constexpr int nominal_bit_rates[] = {25000, 40000, 50000, 100000, 125000, 250000, 500000, 1000000};
constexpr int fd_data_bit_rates[] = {25000, 40000, 50000, 100000, 125000, 250000, 500000, 1000000, 1500000, 2000000};
constexpr int fd_lengths[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 12, 16, 20, 24, 32, 48, 64};

// What one group table is read with; key_path is "MODEL.group.key".
class group_reader {
public:
    group_reader(toml_fields& fields, const model_traits& traits, std::string path)
        : fields(fields),
          traits(traits),
          path_(std::move(path))
    {
    }

    std::string path(const toml::key& key) const { return path_ + "." + std::string(key.str()); }
    void unknown(const toml::key& key) { fields.error(key.source(), path(key), "unknown key"); }
    // false, with an error, when the model lacks what the key asks for
    bool has(const toml::key& key, bool present, const char* what)
    {
        if (!present)
            fields.error(key.source(), path(key), std::string(traits.name) + " has no " + what);
        return present;
    }

    toml_fields& fields;
    const model_traits& traits;

private:
    std::string path_;
};

bool is_version_text(const std::string& text)
{
    size_t start = !text.empty() && (text[0] == 'V' || text[0] == 'v') ? 1 : 0;
    bool digit_seen = false;
    for (size_t n = start; n < text.size(); ++n) {
        if (std::isdigit(static_cast<unsigned char>(text[n])))
            digit_seen = true;
        else if (text[n] != '.' || !digit_seen)
            return false;
        else
            digit_seen = false;
    }
    return digit_seen;
}

void read_identity(group_reader& g, const toml::table& table, identity_plan& p)
{
    for (auto&& [key, node] : table) {
        const std::string name = g.path(key);
        if (key == "enabled")
            g.fields.read(node, name, p.enabled);
        else if (key == "vendor_id")
            g.fields.read(node, name, p.vendor_id, 0xFFFFFFFFu);
        else if (key == "product_code")
            g.fields.read(node, name, p.product_code, 0xFFFFFFFFu);
        else if (key == "hardware_name") {
            std::string text;
            if (g.fields.read(node, name, text) && text.empty())
                g.fields.error(node.source(), name, "must not be empty");
            else if (!text.empty())
                p.hardware_name = text;
        } else if (key == "minimum_software") {
            std::string text;
            if (!g.fields.read(node, name, text))
                continue;
            if (!text.empty() && !is_version_text(text))
                g.fields.error(node.source(), name, "'" + text + "' is no version such as \"V1.2.0\"");
            else
                p.minimum_software = text;
        } else
            g.unknown(key);
    }
}

void read_digital(group_reader& g, const toml::table& table, digital_plan& p)
{
    for (auto&& [key, node] : table) {
        const std::string name = g.path(key);
        if (key == "enabled")
            g.fields.read(node, name, p.enabled);
        else if (key == "wiring")
            g.fields.read_wiring(node, name, p.wiring, g.traits.digital_outputs, g.traits.digital_inputs);
        else if (key == "settle_ms")
            g.fields.read(node, name, p.settle_ms, 0, 10000);
        else
            g.unknown(key);
    }
}

void read_analog(group_reader& g, const toml::table& table, analog_plan& p)
{
    for (auto&& [key, node] : table) {
        const std::string name = g.path(key);
        if (key == "enabled")
            g.fields.read(node, name, p.enabled);
        else if (key == "wiring")
            g.fields.read_wiring(node, name, p.wiring, g.traits.da_outputs, g.traits.ad_inputs);
        else if (key == "voltages")
            g.fields.read_list(node, name, p.voltages, 0.0, 10.0);
        else if (key == "tolerance_v")
            g.fields.read(node, name, p.tolerance_v, 0.001, 10.0);
        else if (key == "samples")
            g.fields.read(node, name, p.samples, 1, 10000);
        else if (key == "noise_limit_v")
            g.fields.read(node, name, p.noise_limit_v, 0.0, 10.0);
        else if (key == "settle_ms")
            g.fields.read(node, name, p.settle_ms, 0, 10000);
        else
            g.unknown(key);
    }
}

void read_motion(group_reader& g, const toml::table& table, motion_plan& p)
{
    const model_traits& t = g.traits;
    for (auto&& [key, node] : table) {
        const std::string name = g.path(key);
        if (key == "encoder") {
            if (g.has(key, t.encoder, "encoder"))
                g.fields.read(node, name, p.encoder);
        } else if (key == "counter") {
            if (g.has(key, t.counter, "counter"))
                g.fields.read(node, name, p.counter);
        } else if (key == "window_ms") {
            if (g.has(key, t.encoder || t.counter, "encoder or counter"))
                g.fields.read(node, name, p.window_ms, 1, 60000);
        } else if (key == "minimum_counts") {
            if (g.has(key, t.encoder || t.counter, "encoder or counter"))
                g.fields.read(node, name, p.minimum_counts, 1, 1000000000);
        } else if (key == "pwm") {
            if (g.has(key, t.pwm, "PWM outputs"))
                g.fields.read(node, name, p.pwm);
        } else if (key == "pwm_frequency_hz") {
            if (g.has(key, t.pwm, "PWM outputs"))
                g.fields.read(node, name, p.pwm_frequency_hz, 0.0001, 65535.9999);
        } else if (key == "pwm_duty") {
            if (g.has(key, t.pwm, "PWM outputs"))
                g.fields.read(node, name, p.pwm_duty, 0.0, 1.0);
        } else if (key == "comparators") {
            if (g.has(key, t.comparators, "comparators"))
                g.fields.read(node, name, p.comparators);
        } else if (key == "comparator_threshold_v") {
            if (g.has(key, t.comparators, "comparators"))
                g.fields.read(node, name, p.comparator_threshold_v, 0.0, 10.0);
        } else
            g.unknown(key);
    }
}

void read_serial(group_reader& g, const toml::table& table, serial_plan& p)
{
    for (auto&& [key, node] : table) {
        const std::string name = g.path(key);
        if (key == "enabled")
            g.fields.read(node, name, p.enabled);
        else if (key == "baud_rates")
            g.fields.read_list(node, name, p.baud_rates, 300, 1000000);
        else if (key == "pattern_bytes")
            g.fields.read(node, name, p.pattern_bytes, 1, 1024);
        else
            g.unknown(key);
    }
}

void read_modbus(group_reader& g, const toml::table& table, modbus_plan& p)
{
    for (auto&& [key, node] : table) {
        const std::string name = g.path(key);
        if (key == "enabled")
            g.fields.read(node, name, p.enabled);
        else if (key == "slave_id")
            g.fields.read(node, name, p.slave_id, 1, 247);
        else if (key == "register_address")
            g.fields.read(node, name, p.register_address, 0, 65535);
        else if (key == "value")
            g.fields.read(node, name, p.value, 0, 65535);
        else
            g.unknown(key);
    }
}

bool read_can_frame(group_reader& g, const toml::node& node, const std::string& name, can_frame_plan& frame)
{
    if (!node.is_table()) {
        g.fields.error(node.source(), name, "expected a table { id, fd, length }");
        return false;
    }
    bool ok = true;
    for (auto&& [key, value] : *node.as_table()) {
        const std::string field = name + "." + std::string(key.str());
        if (key == "id")
            ok = g.fields.read(value, field, frame.identifier, 0x1FFFFFFFu) && ok;
        else if (key == "fd")
            ok = g.fields.read(value, field, frame.fd) && ok;
        else if (key == "length")
            ok = g.fields.read(value, field, frame.length, 0, 64) && ok;
        else {
            g.fields.error(key.source(), field, "unknown key");
            ok = false;
        }
    }
    const bool fits = frame.fd ? std::ranges::count(fd_lengths, frame.length) > 0 : frame.length <= 8;
    if (ok && !fits) {
        g.fields.error(node.source(), name + ".length",
                       std::to_string(frame.length)
                           + (frame.fd ? " is no CAN FD payload size" : " is over 8 for a classic frame"));
        ok = false;
    }
    return ok;
}

template <size_t N>
void read_rate(group_reader& g, const toml::node& node, const std::string& name, const int (&rates)[N], int& target)
{
    int rate = 0;
    if (!g.fields.read(node, name, rate, 0, 2000000))
        return;
    if (std::ranges::count(rates, rate) == 0)
        g.fields.error(node.source(), name, std::to_string(rate) + " is no bit rate of the card");
    else
        target = rate;
}

void read_can(group_reader& g, const toml::table& table, can_plan& p)
{
    for (auto&& [key, node] : table) {
        const std::string name = g.path(key);
        if (key == "enabled")
            g.fields.read(node, name, p.enabled);
        else if (key == "nominal_bit_rate")
            read_rate(g, node, name, nominal_bit_rates, p.nominal_bit_rate);
        else if (key == "data_bit_rate")
            read_rate(g, node, name, fd_data_bit_rates, p.data_bit_rate);
        else if (key == "frames") {
            if (!node.is_array() || node.as_array()->empty()) {
                g.fields.error(node.source(), name, "expected a non-empty array of frames");
                continue;
            }
            std::vector<can_frame_plan> frames(node.as_array()->size());
            bool ok = true;
            for (size_t n = 0; n < frames.size(); ++n)
                ok = read_can_frame(g, (*node.as_array())[n], name + "[" + std::to_string(n) + "]", frames[n]) && ok;
            if (ok)
                p.frames = frames;
        } else
            g.unknown(key);
    }
    if (p.data_bit_rate < p.nominal_bit_rate)
        g.fields.error(table.source(), g.path(toml::key("data_bit_rate")), "is below the nominal bit rate");
}

void read_settings(group_reader& g, const toml::table& table, settings_plan& p, const std::string& folder)
{
    for (auto&& [key, node] : table) {
        const std::string name = g.path(key);
        if (key == "enabled")
            g.fields.read(node, name, p.enabled);
        else if (key == "reference_ini") {
            std::string path;
            if (!g.fields.read(node, name, path))
                continue;
            if (!path.empty() && !folder.empty() && std::filesystem::path(path).is_relative())
                path = (std::filesystem::path(folder) / path).lexically_normal().string();
            p.reference_ini = path;
        } else
            g.unknown(key);
    }
}

void read_model(toml_fields& fields, const std::string& model_name, const toml::table& groups, model_plan& plan,
                const std::string& folder)
{
    const model_traits& t = *find_model_traits(model_name);
    for (auto&& [key, node] : groups) {
        group_reader g(fields, t, model_name + "." + std::string(key.str()));
        const std::string name = model_name + "." + std::string(key.str());
        if (!node.is_table()) {
            fields.error(node.source(), name, "expected a table");
            continue;
        }
        const toml::table& table = *node.as_table();
        group_reader model(fields, t, model_name);
        if (key == "identity")
            read_identity(g, table, plan.identity);
        else if (key == "digital")
            read_digital(g, table, plan.digital);
        else if (key == "analog")
            read_analog(g, table, plan.analog);
        else if (key == "motion") {
            if (model.has(key, t.encoder || t.counter || t.pwm || t.comparators,
                          "counter, encoder, PWM or comparators"))
                read_motion(g, table, plan.motion);
        } else if (key == "serial") {
            if (model.has(key, t.serial, "serial port"))
                read_serial(g, table, plan.serial);
        } else if (key == "modbus") {
            if (model.has(key, t.serial, "serial port for Modbus"))
                read_modbus(g, table, plan.modbus);
        } else if (key == "can") {
            if (model.has(key, t.can, "CAN port"))
                read_can(g, table, plan.can);
        } else if (key == "settings") {
            if (model.has(key, t.settings, "configuration objects"))
                read_settings(g, table, plan.settings, folder);
        } else
            model.unknown(key);
    }
}

} // namespace

plan_load_result load_plan_text(const std::string& text, const std::string& source, const std::string& folder)
{
    plan_load_result result;
    result.plan = built_in_plan();
    result.plan.source = source;
    toml::table root;
    try {
        root = toml::parse(text, std::string_view(source));
    } catch (const toml::parse_error& e) {
        result.errors.push_back(source + ":" + std::to_string(e.source().begin.line) + ": "
                                + std::string(e.description()));
        return result;
    }
    toml_fields fields(source, result.errors);
    for (auto&& [key, node] : root) {
        const std::string model_name(key.str());
        model_plan* plan = find_model_traits(model_name)
            ? &*std::ranges::find(result.plan.models, model_name, &model_plan::model)
            : nullptr;
        if (!plan)
            fields.error(key.source(), model_name, "unknown model (ZEIO, KOVA-H, KOVA-16IO, KOVA-AD)");
        else if (!node.is_table())
            fields.error(node.source(), model_name, "expected a table");
        else
            read_model(fields, model_name, *node.as_table(), *plan, folder);
    }
    // in the order of the file, not of the keys
    auto line_of = [&source](const std::string& error) { return std::atoi(error.c_str() + source.size() + 1); };
    std::ranges::stable_sort(result.errors, {}, line_of);
    return result;
}

plan_load_result load_plan_file(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        plan_load_result result;
        result.errors.push_back(path + ": cannot be read");
        return result;
    }
    std::ostringstream text;
    text << file.rdbuf();
    return load_plan_text(text.str(), path, std::filesystem::path(path).parent_path().string());
}

} // namespace check
