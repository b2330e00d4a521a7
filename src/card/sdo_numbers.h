#pragma once
#include <cstddef>
#include <cstdint>

#include "card/transfer_result.h"

namespace ecat {
struct master;
}

namespace card {

// Little-endian numbers of 1, 2 or 4 bytes to and from the card, with the results of
// master_sdo_download and master_sdo_upload.
[[nodiscard]] int download_number(ecat::master& m, uint16_t position, uint16_t index, uint8_t subindex, uint64_t value, size_t size);
// value is set only on success; an object smaller than size gives the bytes it has.
[[nodiscard]] int upload_number(ecat::master& m, uint16_t position, uint16_t index, uint8_t subindex, size_t size, uint64_t& value);

// The same, as the result of a card operation naming the object on failure.
transfer_result write_number(ecat::master& m, uint16_t position, uint16_t index, uint8_t subindex, uint64_t value,
                             size_t size);
transfer_result read_number(ecat::master& m, uint16_t position, uint16_t index, uint8_t subindex, size_t size,
                            uint64_t& value);

} // namespace card
