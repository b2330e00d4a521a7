#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "sim/description/slave_description.h"

namespace sim {

// A slave as its (checked) SII image describes it: identity, station alias, mailboxes and
// protocols from the header, sync managers from category 41. The ESC takes its FMMU count from
// category 40 (one byte an FMMU), its sync manager count from category 41, its ports from the
// general category (30) and enough process memory for every sync manager and mailbox area;
// the rest, and whatever the image leaves out, from esc_config's defaults (kestio-sim --help
// names them).
slave_description describe_sii_image(const std::vector<uint16_t>& image, const std::string& model);

} // namespace sim
