#include "pages/logic/text_decoding.h"

#include <algorithm>
#include <cstring>
#include <iconv.h>
#include <langinfo.h>

namespace page_logic {

namespace {

// Converts with iconv to UTF-16 LE; false when the bytes are not valid in `from`.
bool convert(const char* from, const uint8_t* data, size_t size, std::u16string& text)
{
    iconv_t converter = iconv_open("UTF-16LE", from);
    if (converter == iconv_t(-1))
        return false;
    // no input byte yields more than two output bytes, except 4-byte UTF-8 (two units)
    std::vector<char> out(2 * size + 4);
    char* in_pointer = const_cast<char*>(reinterpret_cast<const char*>(data));
    size_t in_left = size;
    char* out_pointer = out.data();
    size_t out_left = out.size();
    size_t result = iconv(converter, &in_pointer, &in_left, &out_pointer, &out_left);
    iconv_close(converter);
    if (result == size_t(-1))
        return false;
    size_t units = (out.size() - out_left) / 2;
    text.resize(units);
    for (size_t i = 0; i < units; ++i)
        text[i] = char16_t(uint8_t(out[2 * i]) | uint8_t(out[2 * i + 1]) << 8);
    return true;
}

bool starts_with(const std::vector<uint8_t>& bytes, std::initializer_list<uint8_t> mark)
{
    return bytes.size() >= mark.size() && std::equal(mark.begin(), mark.end(), bytes.begin());
}

} // namespace

std::u16string decode_text(const std::vector<uint8_t>& bytes)
{
    std::u16string text;
    const uint8_t* data = bytes.data();
    if (starts_with(bytes, {0xFF, 0xFE}) && convert("UTF-16LE", data + 2, bytes.size() - 2, text))
        return text;
    if (starts_with(bytes, {0xFE, 0xFF}) && convert("UTF-16BE", data + 2, bytes.size() - 2, text))
        return text;
    if (starts_with(bytes, {0xEF, 0xBB, 0xBF}) && convert("UTF-8", data + 3, bytes.size() - 3, text))
        return text;
    if (convert("UTF-8", data, bytes.size(), text))
        return text;
    const char* local = nl_langinfo(CODESET);
    if (std::strcmp(local, "UTF-8") != 0 && convert(local, data, bytes.size(), text))
        return text;
    convert("ISO-8859-1", data, bytes.size(), text);
    return text;
}

} // namespace page_logic
