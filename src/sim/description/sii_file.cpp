#include "sim/description/sii_file.h"

#include <cstdio>
#include <fstream>
#include <iterator>

#include "sim/description/sii_image.h"

namespace sim {

namespace {

constexpr size_t header_words = 0x40;
constexpr size_t largest_file = 1 << 20;

std::string hex(unsigned value, int digits)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*X", digits, value);
    return text;
}

bool check_image(const std::vector<uint16_t>& image, std::string& reason)
{
    uint8_t checksum = sii_header_checksum(image);
    if (checksum != uint8_t(image[7])) {
        reason = "header checksum " + hex(uint8_t(image[7]), 2) + " (word 7) does not match words 0-6, which give "
            + hex(checksum, 2);
        return false;
    }
    for (const sii_category_span& category : sii_categories(image))
        if (category.first_word + category.words > image.size()) {
            reason = "category " + std::to_string(category.type) + " at word "
                + hex(unsigned(category.first_word - 2), 4) + " claims " + std::to_string(category.words)
                + " words, past the end of the image";
            return false;
        }
    return true;
}

} // namespace

bool read_sii_file(const std::string& path, std::vector<uint16_t>& image, std::string& error)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "SII " + path + " cannot be read";
        return false;
    }
    std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (bytes.size() % 2 != 0 || bytes.size() < 2 * header_words || bytes.size() > largest_file) {
        error = "SII " + path + " has " + std::to_string(bytes.size())
            + " bytes; an SII image is an even number of bytes from 128 (its header) to 1 MiB";
        return false;
    }
    image.resize(bytes.size() / 2);
    for (size_t word = 0; word < image.size(); ++word)
        image[word] = uint16_t(uint8_t(bytes[2 * word]) | uint8_t(bytes[2 * word + 1]) << 8);
    std::string reason;
    if (!check_image(image, reason)) {
        error = "SII " + path + ": " + reason;
        return false;
    }
    return true;
}

std::vector<sii_category_span> sii_categories(const std::vector<uint16_t>& image)
{
    std::vector<sii_category_span> categories;
    for (size_t word = header_words; word + 1 < image.size() && image[word] != sii_category::end;) {
        sii_category_span category{image[word], word + 2, image[word + 1]};
        categories.push_back(category);
        word = category.first_word + category.words;
    }
    return categories;
}

} // namespace sim
