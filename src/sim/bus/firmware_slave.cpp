#include "sim/bus/firmware_slave.h"

#include <filesystem>

#include "sim/description/sii_description.h"
#include "sim/description/sii_file.h"

namespace sim {

namespace {

constexpr const char* item_form = "firmware=PATH.so,sii=PATH.bin[,name=NAME]";

bool starts_with(const std::string& word, const char* prefix)
{
    return word.rfind(prefix, 0) == 0;
}

// Sets a key's value once; false with the reason for a repeated key or an empty value.
bool set_key(std::string& value, const std::string& word, size_t key_length, std::string& error)
{
    std::string key = word.substr(0, key_length);
    if (!value.empty()) {
        error = key + " is given twice in a firmware item (" + item_form + ")";
        return false;
    }
    value = word.substr(key_length);
    if (value.empty()) {
        error = "empty " + key + " in a firmware item (" + item_form + ")";
        return false;
    }
    return true;
}

} // namespace

bool is_firmware_item(const std::string& word)
{
    return starts_with(word, "firmware=");
}

bool take_firmware_item(const std::vector<std::string>& words, size_t& at, firmware_files& out, std::string& error)
{
    out = {};
    if (!set_key(out.library, words[at], words[at].find('=') + 1, error))
        return false;
    for (++at; at < words.size(); ++at) {
        const std::string& word = words[at];
        std::string* value = starts_with(word, "sii=") ? &out.sii : starts_with(word, "name=") ? &out.name : nullptr;
        if (!value)
            break;
        if (!set_key(*value, word, word.find('=') + 1, error))
            return false;
    }
    if (out.sii.empty()) {
        error = "firmware=" + out.library + " needs its SII image: " + item_form;
        return false;
    }
    return true;
}

std::string firmware_item_text(const firmware_files& files)
{
    return "firmware=" + files.library + ",sii=" + files.sii + (files.name.empty() ? "" : ",name=" + files.name);
}

std::unique_ptr<slave> make_firmware_slave(const firmware_files& files, std::shared_ptr<message_log> log,
                                           std::string& error, std::chrono::milliseconds call_limit)
{
    std::shared_ptr<firmware_library> library = firmware_library::open(files.library, error);
    std::vector<uint16_t> image;
    if (!library || !read_sii_file(files.sii, image, error))
        return nullptr;
    std::string name = files.name.empty() ? std::filesystem::path(files.library).stem().string() : files.name;
    auto make_firmware = [&](const slave_description&, slave_faults&) {
        return std::make_unique<shared_library_firmware>(library, name, log, call_limit);
    };
    auto device = std::make_unique<slave>(describe_sii_image(image, name), std::move(image), make_firmware);
    if (!device->application().failure().empty()) {
        error = std::string(device->application().failure());
        return nullptr;
    }
    return device;
}

} // namespace sim
