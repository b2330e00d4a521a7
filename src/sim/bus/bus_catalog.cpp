#include "sim/bus/bus_catalog.h"

#include <algorithm>
#include <cctype>
#include <sstream>

#include "sim/cards/card_catalog.h"
#include "sim/description/generic_slaves.h"

namespace sim {

namespace {

constexpr unsigned max_slaves = 512;
constexpr const char* default_spec = "generic*3";

struct model_entry {
    const char* name;
    slave_description (*describe)(uint32_t serial);
    // the firmware of a card model; none for slaves that run the standard firmware
    slave::application_factory (*firmware)(uint64_t seed) = nullptr;
};

const model_entry models[] = {
    {"generic", generic_coe_slave},
    {"nomailbox", slave_without_mailbox},
    {"ZEIO", cards::describe_zeio, cards::zeio_firmware},
    {"KOVA-H", cards::describe_kova_h, cards::kova_h_firmware},
    {"KOVA-16IO", cards::describe_kova_16io, cards::kova_16io_firmware},
    {"KOVA-AD", cards::describe_kova_ad, cards::kova_ad_firmware},
};

std::string lowercase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

std::string trim(const std::string& text)
{
    size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

const model_entry* find_model(const std::string& name)
{
    for (const model_entry& entry : models)
        if (lowercase(name) == lowercase(entry.name))
            return &entry;
    return nullptr;
}

} // namespace

bool describe_model(const std::string& name, unsigned position, slave_description& out)
{
    const model_entry* entry = find_model(name);
    if (!entry)
        return false;
    out = entry->describe(position + 1);
    return true;
}

std::vector<std::string> known_models()
{
    std::vector<std::string> names;
    for (const model_entry& entry : models)
        names.push_back(entry.name);
    return names;
}

bool parse_slave_list(const std::string& spec, std::vector<std::string>& out, std::string& error)
{
    out.clear();
    std::string text = trim(spec).empty() ? default_spec : spec;
    std::stringstream items(text);
    std::string item;
    while (std::getline(items, item, ',')) {
        item = trim(item);
        unsigned repeat = 1;
        size_t star = item.find('*');
        if (star != std::string::npos) {
            std::string count = trim(item.substr(star + 1));
            item = trim(item.substr(0, star));
            if (count.empty() || count.size() > 4 || !std::all_of(count.begin(), count.end(), ::isdigit)
                || std::stoul(count) == 0) {
                error = "bad repeat count in '" + spec + "' (use NAME*N with N >= 1)";
                return false;
            }
            repeat = unsigned(std::stoul(count));
        }
        if (item.empty()) {
            error = "empty slave name in '" + spec + "'";
            return false;
        }
        if (!find_model(item)) {
            std::string names;
            for (const std::string& name : known_models())
                names += (names.empty() ? "" : ", ") + name;
            error = "unknown slave model '" + item + "' (known: " + names + ")";
            return false;
        }
        if (out.size() + repeat > max_slaves) {
            error = "more than " + std::to_string(max_slaves) + " slaves";
            return false;
        }
        out.insert(out.end(), repeat, find_model(item)->name);
    }
    if (out.empty() || text.back() == ',') {
        error = "empty slave name in '" + spec + "'";
        return false;
    }
    return true;
}

std::unique_ptr<bus> make_bus(const std::string& spec, uint64_t seed, std::string& error)
{
    std::vector<std::string> names;
    if (!parse_slave_list(spec, names, error))
        return nullptr;
    auto result = std::make_unique<bus>(seed);
    for (unsigned position = 0; position < names.size(); ++position) {
        const model_entry* entry = find_model(names[position]);
        slave_description description = entry->describe(position + 1);
        if (!entry->firmware) {
            result->add_slave(std::move(description));
            continue;
        }
        // each card draws its own noise, so that one seed replays the whole bus
        uint64_t card_seed = seed ^ (uint64_t(position) + 1) * 0x9E3779B97F4A7C15;
        result->add_slave(std::make_unique<slave>(std::move(description), entry->firmware(card_seed)));
    }
    return result;
}

} // namespace sim
