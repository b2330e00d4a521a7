#pragma once
#include <cstdint>
#include <vector>

#include "protocol/object.h"
#include "sim/chip/byte_order.h"
#include "sim/firmware/object_dictionary.h"

namespace sim::cards {

// Attaches behaviour to the objects of a card's description before its dictionary is built.
// A hook for an object the description lacks throws std::invalid_argument: the layout and
// the behaviour of a model must agree.
class card_hooks {
public:
    explicit card_hooks(std::vector<object_entry>& objects) : objects_(objects) { }

    void on_write(const protocol::object& object, write_hook hook);
    void on_read(const protocol::object& object, read_hook hook);

private:
    object_entry& entry(const protocol::object& object);

    std::vector<object_entry>& objects_;
};

// For a 16-bit object that also takes a 32-bit download (see add_word_written_wide): a
// write must be 2 or 4 bytes with a zero upper word, and a read shows the 16 bits again.
void accept_wide_writes(card_hooks& hooks, const protocol::object& object);

// A card object's value as a number, past the SDO server's checks.
inline uint64_t number(const object_dictionary& d, const protocol::object& object)
{
    return d.number(object.index, object.subindex);
}
inline void set_number(object_dictionary& d, const protocol::object& object, uint64_t value)
{
    d.set_number(object.index, object.subindex, value);
}

// The little-endian number an SDO download brings (at most 8 bytes).
inline uint64_t incoming_number(const std::vector<uint8_t>& data)
{
    uint64_t value = 0;
    for (size_t i = 0; i < data.size() && i < 8; ++i)
        value |= uint64_t(data[i]) << (8 * i);
    return value;
}

} // namespace sim::cards
