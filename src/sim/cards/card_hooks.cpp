#include "sim/cards/card_hooks.h"

#include <stdexcept>

#include "sim/cards/card_aborts.h"
#include "sim/firmware/sdo_abort.h"

namespace sim::cards {

object_entry& card_hooks::entry(uint16_t index, uint8_t subindex)
{
    for (object_entry& e : objects_)
        if (e.index == index && e.subindex == subindex)
            return e;
    throw std::invalid_argument("card behaviour for an object the card does not have");
}

void card_hooks::on_write(uint16_t index, uint8_t subindex, write_hook hook)
{
    entry(index, subindex).on_write = std::move(hook);
}

void card_hooks::on_read(uint16_t index, uint8_t subindex, read_hook hook)
{
    entry(index, subindex).on_read = std::move(hook);
}

void accept_wide_writes(card_hooks& hooks, uint16_t index, uint8_t subindex)
{
    hooks.on_write(index, subindex, [](object_dictionary&, const std::vector<uint8_t>& data) {
        if (data.size() != 2 && data.size() != 4)
            return sdo_abort::length_mismatch;
        return incoming_number(data) > 0xFFFF ? card_abort::value_too_high : 0;
    });
    hooks.on_read(index, subindex, [index, subindex](object_dictionary& d) {
        std::vector<uint8_t> word = d.value(index, subindex);
        word.resize(2);
        d.set_value(index, subindex, word);
        return uint32_t(0);
    });
}

} // namespace sim::cards
