#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace ecat {

struct pdo_entry {
    uint16_t index = 0;
    uint8_t subindex = 0;
    uint8_t bit_length = 0;
    std::string name; // empty: no name
};

struct pdo {
    uint16_t index = 0;
    int8_t sync_manager_index = -1; // -1: none
    std::string name;
    std::vector<pdo_entry> entries;
};

// A list of PDOs in order; each PDO index appears at most once where the list is
// built with pdo_list_append_copy.
using pdo_list = std::vector<std::unique_ptr<pdo>>;

void pdo_list_clear(pdo_list& list);
// Appends a copy of the PDO with its entries. Returns 0, -17 when the index is
// already present (list unchanged), -12 when out of memory (list unchanged).
int pdo_list_append_copy(pdo_list& list, const pdo& item);
// Replaces target by copies of every PDO of source. Returns 0 or -12.
int pdo_list_copy(pdo_list& target, const pdo_list& source);
// Size in bytes of all entries: (sum of bit lengths + 7) / 8.
unsigned pdo_list_total_size(const pdo_list& list);
pdo* pdo_list_find(pdo_list& list, uint16_t index);
// Sets a name: empty clears it, an unchanged name is kept. Returns 0 or -12.
int pdo_set_name(std::string& name, const char* text);

} // namespace ecat
