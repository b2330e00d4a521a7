#pragma once
#include <array>
#include <cstdint>

namespace page_logic {

// The AD and latch configuration of a card as the settings page holds it.
struct settings_config {
    // bit 2k: channel pair AD(2k)/AD(2k+1) single-ended (1) or differential (0); odd bits unused
    uint16_t ad_mode = 0;
    // output data rate code, 0 … 22
    uint16_t rate_code = 0;
    // bits 0/1 enable comparator 0/1, bits 2/4 their single-ended mode, bits 3/5 inverted results
    uint16_t comparator_flags = 0;
    // bit 0 enables the encoder
    uint16_t encoder_flag = 0;
    // bit 0 enable, bit 1 falling edge, bit 2 latch once, bits 4-6 trigger source
    std::array<uint16_t, 16> ad_latch{};
    // CMP0N, CMP0P, CMP1N, CMP1P
    std::array<uint16_t, 4> comparator_latch{};

    bool operator==(const settings_config&) const = default;

    // Every word set to value.
    static settings_config filled(uint16_t value)
    {
        settings_config config{value, value, value, value};
        config.ad_latch.fill(value);
        config.comparator_latch.fill(value);
        return config;
    }
};

} // namespace page_logic
