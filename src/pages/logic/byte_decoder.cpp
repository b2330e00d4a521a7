#include "pages/logic/byte_decoder.h"

#include <cerrno>
#include <cstddef>
#include <iconv.h>

namespace page_logic {

namespace {

const char replacement[] = "\xEF\xBF\xBD"; // U+FFFD in UTF-8
const iconv_t no_converter = iconv_t(-1);

} // namespace

byte_decoder::byte_decoder(const std::string& codec) : codec_(codec), converter_(iconv_open("UTF-8", codec.c_str())) { }

byte_decoder::~byte_decoder()
{
    if (iconv_t(converter_) != no_converter)
        iconv_close(iconv_t(converter_));
}

std::string byte_decoder::decode(const uint8_t* bytes, size_t length)
{
    pending_.insert(pending_.end(), bytes, bytes + length);
    std::string text;
    if (iconv_t(converter_) == no_converter) {
        // only a name codec_or_locale did not give: ASCII stays, every other byte is shown as unknown
        for (size_t i = 0; i < pending_.size(); ++i)
            text += pending_[i] < 0x80 ? std::string(1, char(pending_[i])) : std::string(replacement);
        pending_.clear();
        return text;
    }
    char* in = reinterpret_cast<char*>(pending_.data());
    size_t in_left = pending_.size();
    char out_chunk[1024];
    while (in_left > 0) {
        char* out = out_chunk;
        size_t out_left = sizeof out_chunk;
        size_t result = iconv(iconv_t(converter_), &in, &in_left, &out, &out_left);
        int error = errno;
        text.append(out_chunk, size_t(out - out_chunk));
        if (result != size_t(-1) || error == E2BIG)
            continue;
        if (error == EINVAL)
            break; // a character that goes on in the next chunk
        // not valid in the codec: shown, and the decoder goes on after it
        text += replacement;
        ++in;
        --in_left;
    }
    pending_.erase(pending_.begin(), pending_.end() - ptrdiff_t(in_left));
    return text;
}

std::string byte_decoder::flush()
{
    std::string text;
    for (size_t i = 0; i < pending_.size(); ++i)
        text += replacement;
    pending_.clear();
    if (iconv_t(converter_) != no_converter)
        iconv(iconv_t(converter_), nullptr, nullptr, nullptr, nullptr);
    return text;
}

} // namespace page_logic
