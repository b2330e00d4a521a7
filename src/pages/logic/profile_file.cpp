#include "pages/logic/profile_file.h"

#include <algorithm>
#include <limits>

#include "pages/logic/text_decoding.h"

namespace page_logic {

namespace {

// Whitespace as the profile functions trim it: every control character and the space.
bool blank(char16_t c)
{
    return c <= u' ';
}

std::u16string_view trimmed(std::u16string_view text)
{
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::u16string folded(std::u16string_view text)
{
    std::u16string result(text);
    for (char16_t& c : result)
        if (c >= u'A' && c <= u'Z')
            c = char16_t(c - u'A' + u'a');
    return result;
}

std::u16string folded(std::string_view ascii)
{
    return folded(std::u16string(ascii.begin(), ascii.end()));
}

std::u16string_view without_quotes(std::u16string_view value)
{
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

} // namespace

profile_file profile_file::from_bytes(const std::vector<uint8_t>& bytes)
{
    return from_text(decode_text(bytes));
}

profile_file profile_file::from_text(std::u16string_view text)
{
    profile_file file;
    int section = -1; // lines before the first section belong to none
    while (!text.empty()) {
        size_t end = text.find_first_of(u"\r\n");
        std::u16string_view line = trimmed(text.substr(0, end));
        text.remove_prefix(end == text.npos ? text.size() : end + 1);
        if (line.empty() || line.front() == u';')
            continue;
        if (line.front() == u'[') {
            size_t close = line.rfind(u']');
            if (close == line.npos)
                continue; // not a section header
            file.sections_.push_back(folded(trimmed(line.substr(1, close - 1))));
            section = int(file.sections_.size()) - 1;
            continue;
        }
        if (section < 0)
            continue;
        size_t equals = line.find(u'=');
        std::u16string_view key = trimmed(line.substr(0, equals));
        std::u16string_view value = equals == line.npos ? std::u16string_view() : trimmed(line.substr(equals + 1));
        if (!key.empty())
            file.entries_.push_back({section, folded(key), std::u16string(value)});
    }
    return file;
}

std::optional<std::u16string> profile_file::value(std::string_view section, std::string_view key) const
{
    auto first_section = std::find(sections_.begin(), sections_.end(), folded(section));
    if (first_section == sections_.end())
        return std::nullopt;
    int ordinal = int(first_section - sections_.begin());
    std::u16string wanted = folded(key);
    for (const entry& e : entries_)
        if (e.section == ordinal && e.key == wanted)
            return std::u16string(without_quotes(e.value));
    return std::nullopt;
}

int64_t profile_file::integer(std::string_view section, std::string_view key, int64_t fallback) const
{
    std::optional<std::u16string> text = value(section, key);
    if (!text || text->empty())
        return fallback;
    std::u16string_view rest = trimmed(*text);
    bool negative = false;
    if (!rest.empty() && (rest.front() == u'+' || rest.front() == u'-')) {
        negative = rest.front() == u'-';
        rest.remove_prefix(1);
    }
    constexpr int64_t limit = int64_t(std::numeric_limits<int32_t>::max()) + 1;
    int64_t number = 0;
    for (char16_t c : rest) {
        if (c < u'0' || c > u'9')
            break;
        number = std::min(number * 10 + (c - u'0'), limit);
    }
    return negative ? -number : std::min(number, limit - 1);
}

} // namespace page_logic
