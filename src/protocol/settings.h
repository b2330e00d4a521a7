#pragma once
#include "protocol/object.h"

// The configuration the card keeps in flash and takes at a restart.
namespace protocol::settings {

constexpr object restart{0x6000, 0, 2, "Restart"};
constexpr uint16_t restart_command = 255;
constexpr object startup_ad_mode{0x6001, 1, 2, "AD mode at restart"};
constexpr object startup_ad_output_data_rate{0x6001, 2, 2, "AD output data rate at restart"};
constexpr object startup_encoder_configuration{0x6003, 0, 2, "Encoder configuration at restart"};
constexpr object startup_comparator_configuration{0x6005, 0, 2, "Comparator configuration at restart"};
constexpr object save_to_flash{0x6100, 0, 2, "Save to flash"};
constexpr uint16_t save_command = 10;

} // namespace protocol::settings
