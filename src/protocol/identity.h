#pragma once
#include "protocol/object.h"

// What a card says about itself; the host reads it after a selection.
namespace protocol::identity {

constexpr object device_type{0x1000, 0, 4, "Device type"};
constexpr object device_name{0x1008, 0, 32, "Device name"};
// The model name the host recognises the card by.
constexpr object hardware_version{0x1009, 0, 32, "Hardware version"};
constexpr object software_version{0x100A, 0, 16, "Software version"};
// Day, month and year (16 bits) in hexadecimal digits, little-endian.
constexpr object date{0x4000, 0, 4, "Date"};
constexpr object serial_high{0x4001, 1, 4, "Serial number high"};
constexpr object serial_low{0x4001, 2, 4, "Serial number low"};

} // namespace protocol::identity
