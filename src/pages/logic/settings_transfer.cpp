#include "pages/logic/settings_transfer.h"

#include <cstdio>
#include <vector>

#include "protocol/analog.h"
#include "protocol/counter.h"
#include "protocol/latch.h"
#include "protocol/settings.h"

namespace page_logic {

namespace {

namespace analog = protocol::analog;
namespace latch = protocol::latch;
namespace settings = protocol::settings;

object_address address_of(const protocol::object& o)
{
    return {o.index, o.subindex};
}

// The latch objects and the words they hold, in transfer order.
template <typename Config, typename Visit> void for_each_latch(Config& config, Visit visit)
{
    for (size_t n = 0; n < config.ad_latch.size(); ++n)
        visit(address_of(latch::ad_latch_configuration(int(n))), config.ad_latch[n]);
    for (size_t n = 0; n < config.comparator_latch.size(); ++n)
        visit(address_of(latch::comparator_latch_configuration(int(n))), config.comparator_latch[n]);
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
        {address_of(analog::ad_mode), &fresh.ad_mode},
        {address_of(analog::ad_output_data_rate), &fresh.rate_code},
        {address_of(latch::comparator_configuration), &fresh.comparator_flags},
        {address_of(protocol::counter::encoder_configuration), &fresh.encoder_flag},
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
        {address_of(settings::startup_ad_mode), config.ad_mode},
        {address_of(settings::startup_ad_output_data_rate), config.rate_code},
        {address_of(settings::startup_comparator_configuration), config.comparator_flags},
        {address_of(settings::startup_encoder_configuration), config.encoder_flag},
    };
    for_each_latch(config, [&](object_address object, uint16_t word) { writes.push_back({object, word}); });
    writes.push_back({address_of(settings::save_to_flash), settings::save_command});
    for (auto& [object, word] : writes)
        if (!write(object, word))
            return object;
    return std::nullopt;
}

transfer_failure restart_card(const word_writer& write)
{
    object_address restart = address_of(settings::restart);
    if (!write(restart, settings::restart_command))
        return restart;
    return std::nullopt;
}

} // namespace page_logic
