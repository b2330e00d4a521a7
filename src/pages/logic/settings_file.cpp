#include "pages/logic/settings_file.h"

#include <functional>
#include <vector>

#include "pages/logic/profile_file.h"

namespace page_logic {

namespace {

// One key of the file and the bits of a configuration word it stands for.
struct field {
    std::string section;
    std::string key;
    // the highest value accepted; -1: not checked, any value but 0 sets the bit
    int64_t highest;
    std::function<uint16_t&(settings_config&)> word;
    int shift;
    uint16_t mask;
};

void add_latch_fields(std::vector<field>& fields, const std::string& section,
                      std::function<uint16_t&(settings_config&)> word)
{
    fields.push_back({section, "Enable", 1, word, 0, 1});
    fields.push_back({section, "Edge", 1, word, 1, 1});
    fields.push_back({section, "Lat_Once", 1, word, 2, 1});
    fields.push_back({section, "Signal", 7, word, 4, 7});
}

// Every key in reading order.
const std::vector<field>& fields()
{
    static const std::vector<field> table = [] {
        std::vector<field> list;
        auto ad_mode = [](settings_config& c) -> uint16_t& { return c.ad_mode; };
        for (int pair = 0; pair < 8; ++pair)
            list.push_back({"AD_Mode", "AD" + std::to_string(2 * pair) + std::to_string(2 * pair + 1) + "_Mode", 1,
                            ad_mode, 2 * pair, 1});
        list.push_back({"AD_ODR", "Val", 22, [](settings_config& c) -> uint16_t& { return c.rate_code; }, 0, 0xFFFF});
        auto flags = [](settings_config& c) -> uint16_t& { return c.comparator_flags; };
        for (int n = 0; n < 2; ++n) {
            std::string section = "CMP" + std::to_string(n);
            list.push_back({section, "Enable", 1, flags, n, 1});
            list.push_back({section, "Mode", 1, flags, 2 + 2 * n, 1});
            list.push_back({section, "Opposite", 1, flags, 3 + 2 * n, 1});
        }
        list.push_back({"Encoder", "Enable", -1, [](settings_config& c) -> uint16_t& { return c.encoder_flag; }, 0, 1});
        for (int n = 0; n < 16; ++n)
            add_latch_fields(list, "AD" + std::to_string(n) + "_LAT",
                             [n](settings_config& c) -> uint16_t& { return c.ad_latch[size_t(n)]; });
        const char* comparator_inputs[4] = {"CMP0N", "CMP0P", "CMP1N", "CMP1P"};
        for (int n = 0; n < 4; ++n)
            add_latch_fields(list, std::string(comparator_inputs[n]) + "_AD_LAT",
                             [n](settings_config& c) -> uint16_t& { return c.comparator_latch[size_t(n)]; });
        return list;
    }();
    return table;
}

} // namespace

settings_import import_settings(const profile_file& file)
{
    settings_config config;
    for (const field& f : fields()) {
        int64_t value = file.integer(f.section, f.key);
        if (f.highest < 0)
            value = value != 0;
        else if (value < 0 || value > f.highest)
            return {std::nullopt, f.section};
        f.word(config) |= uint16_t(value << f.shift);
    }
    return {config, {}};
}

std::string import_error_text(const std::string& section)
{
    return "读取失败，" + section + "参数错误！";
}

std::string export_settings(const settings_config& config)
{
    settings_config source = config;
    std::string text;
    const std::string* section = nullptr;
    for (const field& f : fields()) {
        if (!section || *section != f.section) {
            if (section)
                text += "\r\n";
            text += "[" + f.section + "]\r\n";
            section = &f.section;
        }
        unsigned value = unsigned(f.word(source) >> f.shift) & f.mask;
        text += f.key + "=" + std::to_string(value) + "\r\n";
    }
    return text;
}

} // namespace page_logic
