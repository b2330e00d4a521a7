#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace sim {

class object_dictionary;

// CiA 301 data types used by the simulated slaves.
namespace data_type {
constexpr uint16_t boolean = 0x0001;
constexpr uint16_t integer8 = 0x0002;
constexpr uint16_t integer16 = 0x0003;
constexpr uint16_t integer32 = 0x0004;
constexpr uint16_t unsigned8 = 0x0005;
constexpr uint16_t unsigned16 = 0x0006;
constexpr uint16_t unsigned32 = 0x0007;
constexpr uint16_t real32 = 0x0008;
constexpr uint16_t visible_string = 0x0009;
constexpr uint16_t octet_string = 0x000A;
constexpr uint16_t integer64 = 0x0015;
constexpr uint16_t unsigned64 = 0x001B;
} // namespace data_type

enum class object_access : uint8_t { read_only, write_only, read_write };

// Runs before a write is stored: returns 0 to accept, or an SDO abort code to refuse it.
using write_hook = std::function<uint32_t(object_dictionary& dictionary, const std::vector<uint8_t>& data)>;
// Runs before a value is uploaded, e.g. to sample an input: returns 0 or an SDO abort code.
using read_hook = std::function<uint32_t(object_dictionary& dictionary)>;

// One subindex of the object dictionary with its current value.
struct object_entry {
    uint16_t index = 0;
    uint8_t subindex = 0;
    uint16_t data_type = data_type::unsigned8;
    object_access access = object_access::read_write;
    std::vector<uint8_t> value;
    // strings may be written shorter than their capacity; other entries only at their size
    bool variable_size = false;
    size_t capacity = 0;
    std::string name;
    write_hook on_write;
    read_hook on_read;

    bool readable() const { return access != object_access::write_only; }
    bool writable() const { return access != object_access::read_only; }
};

} // namespace sim
