#pragma once
#include "protocol/object.h"

// The 24-bit AD converter of ZEIO and KOVA-AD, and the AD clock.
namespace protocol::analog {

constexpr int ad24_count = 16;
// 24-bit AD input 0…15, offset binary (0x800000 is 0 V).
constexpr object ad24_input(int channel)
{
    return {0x3028, uint8_t(channel + 1), 4, "24-bit analog input"};
}
// Bit n set: channel pair n is single-ended, else differential.
constexpr object ad_mode{0x3029, 1, 2, "AD mode"};
// Output data rate code 0…22.
constexpr object ad_output_data_rate{0x3029, 2, 2, "AD output data rate"};
constexpr object ad_crc_errors{0x3061, 0, 2, "AD CRC error count"};

// The AD clock (signed 32-bit fields); written fields take effect on the apply command.
constexpr object ad_clock_source{0x2120, 1, 4, "AD clock source"}; // 0 the 25 MHz reference, 1 PLL2
constexpr object ad_clock_pllm{0x2120, 2, 4, "PLLM"};
constexpr object ad_clock_plln{0x2120, 3, 4, "PLLN"};
constexpr object ad_clock_pllp{0x2120, 4, 4, "PLLP"};
constexpr object ad_sampling_time{0x2120, 5, 4, "AD sampling time"};
constexpr object ad_prescaler{0x2120, 6, 4, "AD prescaler"};
constexpr int ad_clock_field_count = 6;
// The six fields in subindex order.
constexpr object ad_clock_field(int n)
{
    constexpr object fields[] = {ad_clock_source, ad_clock_pllm,    ad_clock_plln,
                                 ad_clock_pllp,   ad_sampling_time, ad_prescaler};
    return fields[n];
}
constexpr object ad_clock_apply{0x2121, 0, 2, "Apply AD clock"};
constexpr uint16_t ad_clock_apply_command = 0x6C3B;

} // namespace protocol::analog
