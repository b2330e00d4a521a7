#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace sim {

// Where the data words of one SII category lie.
struct sii_category_span {
    uint16_t type = 0;
    size_t first_word = 0;
    size_t words = 0;
};

// Reads an SII image from a file as an EEPROM programmer reads it out: 16-bit words, low
// byte first. Refuses, with an error naming the file, a file that cannot be read, a size that
// is no whole number of words or smaller than the header (64 words) or larger than 1 MiB, a
// header checksum that does not match words 0-6, and a category that runs past the end.
bool read_sii_file(const std::string& path, std::vector<uint16_t>& image, std::string& error);

// The categories from word 0x40 up to the end marker or the end of the image, as declared
// (a category may claim more words than the image has).
std::vector<sii_category_span> sii_categories(const std::vector<uint16_t>& image);

} // namespace sim
