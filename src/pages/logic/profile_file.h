#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace page_logic {

// A Windows profile (ini) file read the way GetPrivateProfileIntW reads it: section and key
// names compared without regard to case, spaces around names and values ignored, ';' lines
// skipped, the first of repeated sections and keys counts. QSettings' ini format does not
// read such files alike (keys are case-sensitive on Linux, '%' and '\' have meanings), hence
// this small reader.
class profile_file {
public:
    static profile_file from_text(std::u16string_view text);
    // The file's bytes, decoded as decode_text does.
    static profile_file from_bytes(const std::vector<uint8_t>& bytes);

    // The value text, without one pair of enclosing quotes; nothing when the section or the
    // key is missing.
    std::optional<std::u16string> value(std::string_view section, std::string_view key) const;
    // The value's leading decimal integer (spaces, then an optional sign, then digits);
    // fallback when the section or the key is missing or the value is empty. Numbers beyond
    // the range of int32 read as that range's ends.
    int64_t integer(std::string_view section, std::string_view key, int64_t fallback = 0) const;

private:
    struct entry {
        int section = 0; // ordinal of the section in the file
        std::u16string key;
        std::u16string value;
    };
    std::vector<std::u16string> sections_; // folded names, in file order
    std::vector<entry> entries_;           // folded keys
};

} // namespace page_logic
