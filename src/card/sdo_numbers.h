#pragma once
#include <cstddef>
#include <cstdint>

#include "card/transfer_result.h"
#include "protocol/object.h"

namespace ecat {
struct master;
}

namespace card {

// Little-endian numbers of 1, 2 or 4 bytes to and from the card, with the results of
// master_sdo_download and master_sdo_upload.
[[nodiscard]] int download_number(ecat::master& m, uint16_t position, uint16_t index, uint8_t subindex, uint64_t value,
                                  size_t size);
// value is set only on success; an object smaller than size gives the bytes it has.
[[nodiscard]] int upload_number(ecat::master& m, uint16_t position, uint16_t index, uint8_t subindex, size_t size,
                                uint64_t& value);

// The same for a named object, its size bytes (or size, for an object the card also takes
// wider), as the result of a card operation naming the object on failure.
transfer_result write_object(ecat::master& m, uint16_t position, const protocol::object& object, uint64_t value);
transfer_result write_object(ecat::master& m, uint16_t position, const protocol::object& object, uint64_t value,
                             size_t size);
transfer_result read_object(ecat::master& m, uint16_t position, const protocol::object& object, uint64_t& value);
// The object's bytes as the card sends them, at most its size; got tells how many came.
transfer_result read_object_bytes(ecat::master& m, uint16_t position, const protocol::object& object, uint8_t* bytes,
                                  size_t& got);

} // namespace card
