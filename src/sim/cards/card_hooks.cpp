#include "sim/cards/card_hooks.h"

#include <stdexcept>

#include "sim/cards/card_aborts.h"
#include "sim/firmware/sdo_abort.h"

namespace sim::cards {

object_entry& card_hooks::entry(const protocol::object& object)
{
    for (object_entry& e : objects_)
        if (e.index == object.index && e.subindex == object.subindex)
            return e;
    throw std::invalid_argument("card behaviour for an object the card does not have");
}

void card_hooks::on_write(const protocol::object& object, write_hook hook)
{
    entry(object).on_write = std::move(hook);
}

void card_hooks::on_read(const protocol::object& object, read_hook hook)
{
    entry(object).on_read = std::move(hook);
}

void accept_wide_writes(card_hooks& hooks, const protocol::object& object)
{
    hooks.on_write(object, [](object_dictionary&, const std::vector<uint8_t>& data) {
        if (data.size() != 2 && data.size() != 4)
            return sdo_abort::length_mismatch;
        return incoming_number(data) > 0xFFFF ? card_abort::value_too_high : 0;
    });
    hooks.on_read(object, [index = object.index, subindex = object.subindex](object_dictionary& d) {
        std::vector<uint8_t> word = d.value(index, subindex);
        word.resize(2);
        d.set_value(index, subindex, word);
        return uint32_t(0);
    });
}

} // namespace sim::cards
