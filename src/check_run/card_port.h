#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "check/check_record.h"

namespace check {

// A CAN frame as the check sends it and expects it back.
struct port_can_frame {
    uint32_t identifier = 0;
    bool fd = false;
    std::vector<uint8_t> data;
    bool operator==(const port_can_frame&) const = default;
};

// One key of the card's configuration as its settings file names it.
struct setting_entry {
    std::string section;
    std::string key;
    int64_t value = 0;
};

// Every access the production-line check makes to one card, so that the check logic can be
// tested against a fake card. Each call blocks until the card has answered and returns false
// when a transfer failed; error() then says which object and why. Channels count from 0.
class card_port {
public:
    virtual ~card_port() = default;

    virtual bool read_identity(card_identity& identity) = 0;

    // bit n is output n, input n
    virtual bool write_outputs(uint32_t bits) = 0;
    virtual bool read_inputs(uint32_t& bits) = 0;

    virtual bool write_da(int channel, double volts) = 0;
    // The AD input a plan's analog wiring counts: the 24-bit converter where the model has
    // one, else the 12-bit one.
    virtual bool read_ad(int channel, double& volts) = 0;

    enum class counter_kind { encoder, pulse_counter };
    virtual bool clear_counters() = 0;
    virtual bool read_counter(counter_kind kind, int64_t& count) = 0;
    // duty as a fraction 0..1; 0 switches the output off
    virtual bool write_pwm(int channel, double hertz, double duty) = 0;
    virtual bool read_pwm(int channel, double& hertz, double& duty) = 0;
    // Comparator c compares its threshold with the input the jig feeds from DA c; its edge
    // can latch AD input ad_channel.
    virtual bool write_comparator_threshold(int comparator, double volts) = 0;
    virtual bool read_comparator(int comparator, bool& high) = 0;
    virtual bool arm_comparator_latch(int comparator, int ad_channel) = 0;
    virtual bool read_latch(int ad_channel, double& volts) = 0;
    virtual bool disarm_latch(int ad_channel) = 0;

    // The serial port in loop-back (custom protocol) mode at a baud rate.
    virtual bool serial_open(int baud) = 0;
    virtual bool serial_send(const std::vector<uint8_t>& bytes) = 0;
    // Appends what arrived by now (possibly nothing).
    virtual bool serial_receive(std::vector<uint8_t>& bytes) = 0;
    // A holding register of the jig's Modbus slave written and read back through the card's
    // Modbus channels; status describes the card's Modbus status words when it failed.
    virtual bool modbus_write_read(int slave_id, int address, uint16_t value, uint16_t& read_back,
                                   std::string& status) = 0;

    virtual bool can_open(int nominal_bit_rate, int data_bit_rate) = 0;
    virtual bool can_send(const port_can_frame& frame) = 0;
    // false with an empty error when no frame is waiting
    virtual bool can_receive(port_can_frame& frame) = 0;

    virtual bool read_settings(std::vector<setting_entry>& settings) = 0;

    // Digital outputs 0, DA at 0 V, PWM off, comparator thresholds 0, no CAN send running:
    // everything, or only what this port drove since its last return to the safe state. Tries
    // every step even after a failed one.
    virtual bool make_safe(bool everything) = 0;

    // Waits; a fake port returns at once.
    virtual void pause_ms(int milliseconds) = 0;
    virtual std::string error() const = 0;
};

} // namespace check
