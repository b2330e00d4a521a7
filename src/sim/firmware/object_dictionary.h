#pragma once
#include <cstdint>
#include <map>
#include <vector>

#include "sim/firmware/object_entry.h"

namespace sim {

// The live object dictionary of one slave. read and write are what an SDO server uses:
// they check existence, access and size, run the entry's hook, and return 0 or an SDO abort
// code. value and set_value are for hooks and card models and bypass those checks.
class object_dictionary {
public:
    explicit object_dictionary(const std::vector<object_entry>& entries);

    uint32_t read(uint16_t index, uint8_t subindex, std::vector<uint8_t>& out);
    uint32_t write(uint16_t index, uint8_t subindex, const uint8_t* data, size_t size);
    // The abort code for a transfer of this entry in the given direction before any data moves.
    uint32_t check_access(uint16_t index, uint8_t subindex, bool for_write) const;
    // The most bytes a download of the entry may bring.
    size_t capacity(uint16_t index, uint8_t subindex) const;

    const object_entry* find(uint16_t index, uint8_t subindex) const;
    std::vector<uint8_t> value(uint16_t index, uint8_t subindex) const;
    uint64_t number(uint16_t index, uint8_t subindex) const;
    // Replaces the value; a fixed-size entry keeps its size. Returns false for a missing entry.
    bool set_value(uint16_t index, uint8_t subindex, const std::vector<uint8_t>& value);
    bool set_number(uint16_t index, uint8_t subindex, uint64_t value);

private:
    static uint32_t key(uint16_t index, uint8_t subindex) { return uint32_t(index) << 8 | subindex; }
    object_entry* entry(uint16_t index, uint8_t subindex);

    std::map<uint32_t, object_entry> entries_;
};

} // namespace sim
