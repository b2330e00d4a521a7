#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace page_logic {

// Turns the bytes of a serial line into text (UTF-8) as they arrive in chunks: a character
// split between two chunks is kept until its last byte arrives, a byte that is not valid in
// the codec shows as U+FFFD.
class byte_decoder {
public:
    // codec: an iconv name, as codec_or_locale gives it.
    explicit byte_decoder(const std::string& codec);
    ~byte_decoder();
    byte_decoder(const byte_decoder&) = delete;
    byte_decoder& operator=(const byte_decoder&) = delete;

    const std::string& codec() const { return codec_; }
    std::string decode(const uint8_t* bytes, size_t length);
    // The bytes of an unfinished character, as U+FFFD; the decoder starts afresh.
    std::string flush();

private:
    std::string codec_;
    void* converter_; // iconv_t
    std::vector<uint8_t> pending_;
};

} // namespace page_logic
