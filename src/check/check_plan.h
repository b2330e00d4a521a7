#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace check {

// One wire of the jig: an output (digital or DA) feeding an input (digital or AD).
struct jig_wire {
    int from = 0;
    int to = 0;
    bool operator==(const jig_wire&) const = default;
};

struct identity_plan {
    bool enabled = true;
    uint32_t vendor_id = 0;
    uint32_t product_code = 0;
    std::string hardware_name;
    std::string minimum_software; // e.g. "V1.2.0"; empty: any version
    bool operator==(const identity_plan&) const = default;
};

// Walking one and walking zero over every output; each input is checked against wiring.
struct digital_plan {
    bool enabled = true;
    std::vector<jig_wire> wiring; // output -> input
    int settle_ms = 5;
    bool operator==(const digital_plan&) const = default;
};

struct analog_plan {
    bool enabled = true;
    std::vector<jig_wire> wiring; // DA channel -> AD channel
    std::vector<double> voltages;
    double tolerance_v = 0.1; // 1 % of the 10 V output range
    int samples = 10;
    double noise_limit_v = 0.02; // spread (highest - lowest) of the samples
    int settle_ms = 20;
    bool operator==(const analog_plan&) const = default;
};

// Counter, encoder, PWM, comparators and latches, each where the model has it.
struct motion_plan {
    bool encoder = false;
    bool counter = false;
    bool pwm = false;
    bool comparators = false;
    int window_ms = 200; // a counter must move within this time
    int minimum_counts = 1;
    double pwm_frequency_hz = 1000;
    double pwm_duty = 0.5;
    double comparator_threshold_v = 3.0;
    bool operator==(const motion_plan&) const = default;
};

struct serial_plan {
    bool enabled = false;
    std::vector<int> baud_rates;
    int pattern_bytes = 64;
    bool operator==(const serial_plan&) const = default;
};

struct modbus_plan {
    bool enabled = false;
    int slave_id = 1;
    int register_address = 10;
    int value = 0x5A3C;
    bool operator==(const modbus_plan&) const = default;
};

struct can_frame_plan {
    uint32_t identifier = 0;
    bool fd = false;
    int length = 8;
    bool operator==(const can_frame_plan&) const = default;
};

struct can_plan {
    bool enabled = false;
    int nominal_bit_rate = 500000;
    int data_bit_rate = 1000000;
    std::vector<can_frame_plan> frames;
    bool operator==(const can_plan&) const = default;
};

struct settings_plan {
    bool enabled = false;
    std::string reference_ini; // empty: read only, compare with nothing
    bool operator==(const settings_plan&) const = default;
};

// Everything one model's cards are checked for.
struct model_plan {
    std::string model;
    identity_plan identity;
    digital_plan digital;
    analog_plan analog;
    motion_plan motion;
    serial_plan serial;
    modbus_plan modbus;
    can_plan can;
    settings_plan settings;
    bool operator==(const model_plan&) const = default;
};

// The plans of all four models; source names the file or "built-in".
struct check_plan {
    std::string source;
    std::vector<model_plan> models;

    const model_plan* find(const std::string& model) const;
};

} // namespace check
