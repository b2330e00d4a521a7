#include "pages/logic/text_codec.h"

#include <algorithm>
#include <cerrno>
#include <iconv.h>
#include <langinfo.h>

#include "pages/logic/byte_decoder.h"

namespace page_logic {

namespace {

bool iconv_knows(const std::string& name)
{
    iconv_t probe = iconv_open("UTF-8", name.c_str());
    if (probe == iconv_t(-1))
        return false;
    iconv_close(probe);
    return true;
}

// Length of the UTF-8 character that starts with this byte (1 for a stray byte).
size_t utf8_length(unsigned char lead)
{
    return lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
}

} // namespace

std::string codec_or_locale(const std::string& name)
{
    if (!name.empty() && iconv_knows(name))
        return name;
    return nl_langinfo(CODESET);
}

std::vector<uint8_t> encode_text(const std::string& codec, std::string_view utf8)
{
    std::vector<uint8_t> bytes;
    iconv_t converter = iconv_open(codec.c_str(), "UTF-8");
    if (converter == iconv_t(-1))
        return std::vector<uint8_t>(utf8.begin(), utf8.end());
    std::string input(utf8);
    char* in = input.data();
    size_t in_left = input.size();
    char out_chunk[1024];
    while (in_left > 0) {
        char* out = out_chunk;
        size_t out_left = sizeof out_chunk;
        size_t result = iconv(converter, &in, &in_left, &out, &out_left);
        int error = errno;
        bytes.insert(bytes.end(), out_chunk, out);
        if (result != size_t(-1) || error == E2BIG)
            continue;
        // a character the codec has no byte for, or broken UTF-8: one '?' for it
        bytes.push_back('?');
        size_t skip = std::min(in_left, utf8_length(static_cast<unsigned char>(*in)));
        in += skip;
        in_left -= skip;
    }
    char* out = out_chunk;
    size_t out_left = sizeof out_chunk;
    iconv(converter, nullptr, nullptr, &out, &out_left); // a stateful codec's closing bytes
    bytes.insert(bytes.end(), out_chunk, out);
    iconv_close(converter);
    return bytes;
}

std::string decode_text(const std::string& codec, const std::vector<uint8_t>& bytes)
{
    byte_decoder decoder(codec);
    std::string text = decoder.decode(bytes.data(), bytes.size());
    return text + decoder.flush();
}

} // namespace page_logic
