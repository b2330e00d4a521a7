#pragma once
#include <optional>
#include <string>

#include "pages/logic/settings_config.h"

namespace page_logic {

class profile_file;

// What an import of a settings file gives: the configuration when every value was in
// range, otherwise the first section (in reading order) holding a value out of range.
struct settings_import {
    std::optional<settings_config> config;
    std::string bad_section;
};

// Reads the sections "AD_Mode", "AD_ODR", "CMP0", "CMP1", "Encoder", "AD0_LAT" … "AD15_LAT",
// "CMP0N_AD_LAT" … "CMP1P_AD_LAT" in this order; a missing key reads 0. Mode, enable, edge
// and once values are 0 or 1, "Val" at most 22, "Signal" at most 7; the encoder's "Enable"
// counts as 1 when it is not 0.
settings_import import_settings(const profile_file& file);

// "读取失败，<section>参数错误！"
std::string import_error_text(const std::string& section);

// The configuration as a file that import_settings reads back: ASCII, CRLF line ends,
// the sections and keys in reading order. Bits the file has no key for are left out.
std::string export_settings(const settings_config& config);

} // namespace page_logic
