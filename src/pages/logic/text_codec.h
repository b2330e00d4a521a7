#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace page_logic {

// The character set the bytes of a serial line are read and written in, by its iconv name
// (GBK, CP1252, UTF-8 …). An empty or unknown name means the locale's character set.
std::string codec_or_locale(const std::string& name);

// Text (UTF-8) as bytes of the codec; a character the codec cannot hold becomes '?'.
std::vector<uint8_t> encode_text(const std::string& codec, std::string_view utf8);

// Bytes of the codec as text (UTF-8), all of them: a byte that is not valid there, or a
// character cut off at the end, shows as U+FFFD.
std::string decode_text(const std::string& codec, const std::vector<uint8_t>& bytes);

} // namespace page_logic
