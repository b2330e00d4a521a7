#pragma once
#include <cstddef>
#include <cstdint>

namespace ecat {
struct master;
}

namespace card {

// Little-endian numbers of 1, 2 or 4 bytes to and from the card, with the results of
// master_sdo_download and master_sdo_upload.
int download_number(ecat::master& m, uint16_t position, uint16_t index, uint8_t subindex, uint64_t value, size_t size);
// value is set only on success; an object smaller than size gives the bytes it has.
int upload_number(ecat::master& m, uint16_t position, uint16_t index, uint8_t subindex, size_t size, uint64_t& value);

} // namespace card
