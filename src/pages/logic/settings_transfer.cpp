#include "pages/logic/settings_transfer.h"

#include <cstdio>
#include <vector>

namespace page_logic {

namespace {

constexpr uint16_t ad_latch_object = 0x3036;
constexpr uint16_t comparator_latch_object = 0x3038;
constexpr uint16_t commit_to_flash = 10;
constexpr uint16_t restart_command = 255;

// The latch objects and the words they hold, in transfer order.
template <typename Config, typename Visit> void for_each_latch(Config& config, Visit visit)
{
    for (size_t n = 0; n < config.ad_latch.size(); ++n)
        visit(object_address{ad_latch_object, uint8_t(n + 1)}, config.ad_latch[n]);
    for (size_t n = 0; n < config.comparator_latch.size(); ++n)
        visit(object_address{comparator_latch_object, uint8_t(n + 1)}, config.comparator_latch[n]);
}

} // namespace

std::string object_text(object_address object)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%04X:%02X", unsigned(object.index), unsigned(object.subindex));
    return text;
}

transfer_failure read_settings(const word_reader& read, settings_config& config)
{
    settings_config fresh;
    std::vector<std::pair<object_address, uint16_t*>> reads = {
        {{0x3029, 1}, &fresh.ad_mode},
        {{0x3029, 2}, &fresh.rate_code},
        {{0x3031, 0}, &fresh.comparator_flags},
        {{0x3034, 0}, &fresh.encoder_flag},
    };
    for_each_latch(fresh, [&](object_address object, uint16_t& word) { reads.push_back({object, &word}); });
    for (auto& [object, word] : reads)
        if (!read(object, *word))
            return object;
    config = fresh;
    return std::nullopt;
}

transfer_failure save_settings(const word_writer& write, const settings_config& config)
{
    std::vector<std::pair<object_address, uint16_t>> writes = {
        {{0x6001, 1}, config.ad_mode},
        {{0x6001, 2}, config.rate_code},
        {{0x6005, 0}, config.comparator_flags},
        {{0x6003, 0}, config.encoder_flag},
    };
    for_each_latch(config, [&](object_address object, uint16_t word) { writes.push_back({object, word}); });
    writes.push_back({{0x6100, 0}, commit_to_flash});
    for (auto& [object, word] : writes)
        if (!write(object, word))
            return object;
    return std::nullopt;
}

transfer_failure restart_card(const word_writer& write)
{
    object_address restart{0x6000, 0};
    if (!write(restart, restart_command))
        return restart;
    return std::nullopt;
}

} // namespace page_logic
