#pragma once
#include <cstdint>

#include "sim/bus/slave.h"
#include "sim/description/slave_description.h"

namespace sim::cards {

// The four IO card models. Each has a description (SII and object layout) and a firmware
// that gives its objects the behaviour of a card on the loop-back test jig.
slave_description describe_zeio(uint32_t serial);
slave_description describe_kova_h(uint32_t serial);
slave_description describe_kova_16io(uint32_t serial);
slave_description describe_kova_ad(uint32_t serial);

// seed: the card's own source of noise, so that one seed replays the same samples
slave::application_factory zeio_firmware(uint64_t seed);
slave::application_factory kova_h_firmware(uint64_t seed);
slave::application_factory kova_16io_firmware(uint64_t seed);
slave::application_factory kova_ad_firmware(uint64_t seed);

namespace card_identity_codes {
constexpr uint32_t vendor_id = 0x00004B49;
constexpr uint32_t zeio = 0x00020001;
constexpr uint32_t kova_h = 0x00020002;
constexpr uint32_t kova_16io = 0x00020003;
constexpr uint32_t kova_ad = 0x00020004;
constexpr uint32_t revision = 0x00010003;
} // namespace card_identity_codes

} // namespace sim::cards
