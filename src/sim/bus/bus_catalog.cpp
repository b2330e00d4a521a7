#include "sim/bus/bus_catalog.h"

#include <algorithm>
#include <cctype>

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

std::vector<std::string> known_models()
{
    std::vector<std::string> names;
    for (const model_entry& entry : models)
        names.push_back(entry.name);
    return names;
}

namespace {

std::vector<std::string> split_words(const std::string& text)
{
    std::vector<std::string> words;
    size_t start = 0;
    for (size_t at; (at = text.find(',', start)) != std::string::npos; start = at + 1)
        words.push_back(trim(text.substr(start, at - start)));
    words.push_back(trim(text.substr(start)));
    return words;
}

// A model name with an optional *N; false with the reason when it is malformed or unknown.
bool take_model(const std::string& spec, std::string item, std::vector<slave_item>& out, std::string& error)
{
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
    if (item.rfind("sii=", 0) == 0 || item.rfind("name=", 0) == 0) {
        error = "'" + item + "' belongs right after a firmware=PATH.so item";
        return false;
    }
    if (!find_model(item)) {
        std::string names;
        for (const std::string& name : known_models())
            names += (names.empty() ? "" : ", ") + name;
        error = "unknown slave model '" + item + "' (known: " + names + ", or firmware=PATH.so,sii=PATH.bin)";
        return false;
    }
    out.insert(out.end(), repeat, slave_item{find_model(item)->name, {}});
    return true;
}

std::unique_ptr<slave> build_slave(const slave_item& item, unsigned position, uint64_t seed,
                                   const std::shared_ptr<message_log>& log, std::string& error)
{
    if (item.model.empty())
        return make_firmware_slave(item.firmware, log, error);
    const model_entry* entry = find_model(item.model);
    slave_description description = entry->describe(position + 1);
    if (!entry->firmware)
        return std::make_unique<slave>(std::move(description));
    // each card draws its own noise, so that one seed replays the whole bus
    uint64_t card_seed = seed ^ (uint64_t(position) + 1) * 0x9E3779B97F4A7C15;
    return std::make_unique<slave>(std::move(description), entry->firmware(card_seed));
}

} // namespace

bool parse_slave_items(const std::string& spec, std::vector<slave_item>& out, std::string& error)
{
    out.clear();
    std::vector<std::string> words = split_words(trim(spec).empty() ? default_spec : spec);
    for (size_t at = 0; at < words.size();) {
        if (is_firmware_item(words[at])) {
            slave_item item;
            if (!take_firmware_item(words, at, item.firmware, error))
                return false;
            out.push_back(std::move(item));
        } else if (!take_model(spec, words[at++], out, error)) {
            return false;
        }
        if (out.size() > max_slaves) {
            error = "more than " + std::to_string(max_slaves) + " slaves";
            return false;
        }
    }
    return true;
}

bool parse_slave_list(const std::string& spec, std::vector<std::string>& out, std::string& error)
{
    std::vector<slave_item> items;
    out.clear();
    if (!parse_slave_items(spec, items, error))
        return false;
    for (const slave_item& item : items)
        out.push_back(item.text());
    return true;
}

std::unique_ptr<bus> make_bus(const std::string& spec, uint64_t seed, std::string& error)
{
    std::vector<slave_item> items;
    if (!parse_slave_items(spec, items, error))
        return nullptr;
    auto result = std::make_unique<bus>(seed);
    std::vector<std::unique_ptr<slave>> slaves;
    for (unsigned position = 0; position < items.size(); ++position) {
        slaves.push_back(build_slave(items[position], position, seed, result->messages(), error));
        if (!slaves.back()) {
            error = "slave " + std::to_string(position) + ": " + error;
            return nullptr;
        }
    }
    for (std::unique_ptr<slave>& device : slaves)
        result->add_slave(std::move(device));
    return result;
}

} // namespace sim
