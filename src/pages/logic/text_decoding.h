#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace page_logic {

// The text of a file as the Windows profile functions take it: UTF-16 LE or BE after a
// byte order mark, UTF-8 after its mark or when the bytes are valid UTF-8, otherwise the
// local 8-bit code page (Latin-1 where the locale has none, so ASCII always reads).
std::u16string decode_text(const std::vector<uint8_t>& bytes);

} // namespace page_logic
