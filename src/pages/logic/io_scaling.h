#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "pages/logic/status_list.h"

namespace page_logic {

// Conversions of the IO cards' raw values, shared by the IO pages.

// 12-bit analog values (outputs, comparator inputs, latches, thresholds): raw × 10 / 4096.
double volts_12bit(uint16_t raw);
// 24-bit analog inputs and latches, the raw value taken as unsigned: −25 V .. +25 V.
double volts_24bit(uint32_t raw);
// PWM frequency in 16.16 fixed point Hz.
double pwm_hertz(uint32_t raw);
// PWM duty cycle, a fraction × 65536, in percent.
double duty_percent(uint16_t raw);

// The raw value of an analog voltage without a range check: V / 10 × 4096 truncated toward
// zero, its low 16 bits, 4096 sent as 4095. A value no 64-bit integer holds gives 0.
uint16_t analog_raw_from_volts(double volts);

// Cell texts of the status lists.
std::string hex_text(uint32_t raw);               // "%lX"
std::string volts_24bit_text(uint32_t raw);       // "%0.08f"
std::string volts_12bit_text(uint16_t raw);       // "%0.03f"
std::string decimal_text(int value);              // "%d"
std::string pwm_frequency_raw_text(uint32_t raw); // "%lu"
std::string pwm_frequency_text(uint32_t raw);     // "%0.03f" Hz
std::string duty_text(uint16_t raw);              // "%0.03f%%"

// The texts of a format's extreme raw values, among which is its widest.
std::vector<std::string> widest_texts(cell_format format);

} // namespace page_logic
