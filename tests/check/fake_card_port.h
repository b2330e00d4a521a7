#pragma once
#include <functional>
#include <deque>
#include <map>
#include <string>

#include "check/model_traits.h"
#include "check_run/card_port.h"

namespace checktest {

// Faults a fake card can have; -1: none.
struct fake_faults {
    int stuck_input = -1;
    bool stuck_high = false;
    int short_a = -1, short_b = -1; // the two inputs read as one (wired or)
    bool one_way = false;           // only input short_b also follows output short_a
    int ad_channel = -1;            // the AD input the three below apply to
    double ad_offset_v = 0, ad_gain = 1, ad_noise_v = 0;
    bool encoder_still = false;
    bool serial_dead = false, modbus_dead = false, can_dead = false;
    int comparator_dead = -1;
    bool outputs_refused = false;
};

// A card on the loop-back jig, in memory: output n feeds input n, DA n feeds AD inputs
// n, n + DA count, …, comparator c compares DA c with its threshold.
class fake_card_port : public check::card_port {
public:
    fake_card_port(const std::string& model, fake_faults faults = {}) : faults_(faults)
    {
        traits_ = check::find_model_traits(model);
        identity_.vendor_id = check::card_vendor_id;
        identity_.product_code = traits_ ? traits_->product_code : 0;
        identity_.hardware_name = model;
        identity_.software_version = "V2.1.4";
        identity_.date = "2025.06.18";
        identity_.serial = "2025060100010001";
    }

    check::card_identity identity_;
    uint32_t outputs = 0;
    double da[4] = {};
    double pwm_duty[2] = {};
    int make_safe_calls = 0;
    std::function<void()> on_write_outputs; // e.g. a Ctrl-C in the middle of the run

    bool read_identity(check::card_identity& identity) override
    {
        identity = identity_;
        return true;
    }
    bool write_outputs(uint32_t bits) override
    {
        if (faults_.outputs_refused)
            return fail("0x2300:00 failed (-5)");
        outputs = bits;
        if (on_write_outputs)
            on_write_outputs();
        return true;
    }
    bool read_inputs(uint32_t& bits) override
    {
        bits = outputs & ((1u << traits_->digital_inputs) - 1);
        if (faults_.one_way && (outputs >> faults_.short_a & 1))
            bits |= 1u << faults_.short_b;
        else if (!faults_.one_way && faults_.short_a >= 0 && (bits & (1u << faults_.short_a | 1u << faults_.short_b)))
            bits |= 1u << faults_.short_a | 1u << faults_.short_b;
        if (faults_.stuck_input >= 0)
            bits = faults_.stuck_high ? bits | 1u << faults_.stuck_input : bits & ~(1u << faults_.stuck_input);
        return true;
    }
    bool write_da(int channel, double volts) override
    {
        bool was_above = channel < 2 && da[channel] > threshold_[channel];
        da[channel] = volts;
        if (channel < 2 && armed_[channel] && !was_above && comparator_high(channel))
            static_cast<void>(read_ad(channel, latch_[channel])); // the card latches its own reading
        return true;
    }
    bool read_ad(int channel, double& volts) override
    {
        volts = da[channel % traits_->da_outputs];
        if (channel == faults_.ad_channel) {
            noise_sign_ = -noise_sign_;
            volts = volts * faults_.ad_gain + faults_.ad_offset_v + noise_sign_ * faults_.ad_noise_v / 2;
        }
        return true;
    }
    bool clear_counters() override
    {
        count_ = 0;
        return true;
    }
    bool read_counter(counter_kind, int64_t& count) override
    {
        count_ += faults_.encoder_still ? 0 : 3;
        count = count_;
        return true;
    }
    bool write_pwm(int channel, double hertz, double duty) override
    {
        pwm_hertz_[channel] = hertz;
        pwm_duty[channel] = duty;
        return true;
    }
    bool read_pwm(int channel, double& hertz, double& duty) override
    {
        hertz = pwm_hertz_[channel];
        duty = pwm_duty[channel];
        return true;
    }
    bool write_comparator_threshold(int comparator, double volts) override
    {
        threshold_[comparator] = volts;
        return true;
    }
    bool read_comparator(int comparator, bool& high) override
    {
        high = comparator_high(comparator);
        return true;
    }
    bool arm_comparator_latch(int comparator, int) override
    {
        armed_[comparator] = true;
        return true;
    }
    bool read_latch(int ad_channel, double& volts) override
    {
        volts = latch_[ad_channel];
        return true;
    }
    bool disarm_latch(int ad_channel) override
    {
        armed_[ad_channel] = false;
        return true;
    }
    bool serial_open(int) override { return true; }
    bool serial_send(const std::vector<uint8_t>& bytes) override
    {
        if (!faults_.serial_dead)
            line_.insert(line_.end(), bytes.begin(), bytes.end());
        return true;
    }
    bool serial_receive(std::vector<uint8_t>& bytes) override
    {
        bytes.insert(bytes.end(), line_.begin(), line_.end());
        line_.clear();
        return true;
    }
    bool modbus_write_read(int, int address, uint16_t value, uint16_t& read_back, std::string& status) override
    {
        if (faults_.modbus_dead) {
            status = "Tx channel 0 status 0x0002 (timed out)";
            return false;
        }
        registers_[address] = value;
        read_back = registers_[address];
        return true;
    }
    bool can_open(int, int) override { return true; }
    bool can_send(const check::port_can_frame& frame) override
    {
        if (!faults_.can_dead)
            can_.push_back(frame);
        return true;
    }
    bool can_receive(check::port_can_frame& frame) override
    {
        if (can_.empty())
            return false;
        frame = can_.front();
        can_.pop_front();
        return true;
    }
    bool read_settings(std::vector<check::setting_entry>& settings) override
    {
        settings = {{"AD_Mode", "AD01_Mode", 1}, {"CMP0", "Enable", 1}, {"Encoder", "Enable", 1}};
        return true;
    }
    bool make_safe(bool) override
    {
        ++make_safe_calls;
        outputs = 0;
        for (double& volts : da)
            volts = 0;
        pwm_duty[0] = pwm_duty[1] = 0;
        return true;
    }
    void pause_ms(int) override { }
    std::string error() const override { return error_; }

private:
    bool fail(const std::string& error)
    {
        error_ = error;
        return false;
    }
    bool comparator_high(int c) const { return c != faults_.comparator_dead && da[c] > threshold_[c]; }

    fake_faults faults_;
    const check::model_traits* traits_ = nullptr;
    int noise_sign_ = 1;
    int64_t count_ = 0;
    double pwm_hertz_[2] = {};
    double threshold_[2] = {};
    bool armed_[2] = {};
    double latch_[2] = {};
    std::deque<uint8_t> line_;
    std::map<int, uint16_t> registers_;
    std::deque<check::port_can_frame> can_;
    std::string error_;
};

} // namespace checktest
