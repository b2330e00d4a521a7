#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "protocol/analog.h"

namespace page_logic {

// The AD test page's precision modes, in the order of its combo.
enum class ad_precision { bits12 = 0, bits16 = 1, bits24 = 2 };

// Where a mode reads one sample of a channel, and how many bytes.
using ad_sample_object = protocol::object;
ad_sample_object sample_object(ad_precision precision, int channel);

// The 24-bit converter's output data rate code.
constexpr uint16_t ad_rate_index = protocol::analog::ad_output_data_rate.index;
constexpr uint8_t ad_rate_subindex = protocol::analog::ad_output_data_rate.subindex;

// Volts per count: range / 4096 (12-bit), range / 65535 (16-bit), 25 / 2^23 (24-bit,
// range ignored).
double volts_per_count(ad_precision precision, double range);
// Counts of the 24-bit converter are offset: count 0 is -25 V.
double volts_of_count(ad_precision precision, double count, double per_count);

// A sample as the upload delivered it (little-endian): 2 bytes unsigned, or 4 bytes signed
// in 24-bit mode.
int32_t sample_from_bytes(ad_precision precision, const uint8_t* bytes);

// The cell of a read sample: "%4d(%0.04fV)", in 24-bit mode "%4d(%0.08fV)".
std::string sample_cell(ad_precision precision, int32_t value, double per_count);
// The cell of a sample whose read failed.
extern const char* const failed_sample_cell;

} // namespace page_logic
