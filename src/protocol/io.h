#pragma once
#include "protocol/object.h"

// Digital inputs and outputs, the 12-bit AD inputs and the DA outputs.
namespace protocol::io {

constexpr object digital_inputs{0x2000, 0, 2, "Digital inputs"};
constexpr object digital_outputs{0x2300, 0, 2, "Digital outputs"};

// 12-bit AD input 0…3; on ZEIO and KOVA-AD the comparators' analog inputs.
constexpr int analog_input_count = 4;
constexpr object analog_input(int channel)
{
    return {uint16_t(0x2010 + channel), 0, 2, "Analog input"};
}

// DA output 0…3, a 12-bit code of 0–10 V.
constexpr int analog_output_count = 4;
constexpr object analog_output(int channel)
{
    return {uint16_t(0x2310 + channel), 0, 2, "Analog output"};
}

} // namespace protocol::io
