#pragma once
#include "protocol/object.h"

// Encoder, counter and the PWM outputs.
namespace protocol::counter {

constexpr object encoder{0x2020, 0, 4, "Encoder"}; // signed
constexpr object counter{0x2030, 0, 4, "Counter"}; // signed
// The card clears encoder and counter when this changes from 0 to 0xFFFF.
constexpr object clear{0x2400, 0, 2, "Clear counters"};
constexpr uint16_t clear_armed = 0x0000;
constexpr uint16_t clear_now = 0xFFFF;
// Encoder enabled (1) or not, as the card runs now.
constexpr object encoder_configuration{0x3034, 0, 2, "Encoder configuration"};

constexpr int pwm_count = 2;
// 16.16 fixed-point hertz.
constexpr object pwm_frequency(int channel)
{
    return {uint16_t(0x2320 + channel), 0, 4, "PWM frequency"};
}
// A fraction of 2^16; the card also takes it as a 32-bit write whose upper word is zero.
constexpr object pwm_duty(int channel)
{
    return {uint16_t(0x2330 + channel), 0, 2, "PWM duty"};
}
constexpr uint8_t pwm_duty_write_size = 4;

} // namespace protocol::counter
