#pragma once
#include <cstdint>

#include "card/card_counters.h"
#include "card/transfer_result.h"
#include "check/model_traits.h"
#include "check_run/card_port.h"
#include "protocol/modbus.h"
#include "protocol/object.h"

namespace ecat {
struct master;
}

namespace check {

// The card port over the master and the card operations: one card at its ring position, with
// its own mailbox counters, so that ports of several cards run at the same time.
class bus_card_port : public card_port {
public:
    bus_card_port(ecat::master& m, uint16_t position) : master_(m), position_(position) { }

    bool read_identity(card_identity& identity) override;
    bool write_outputs(uint32_t bits) override;
    bool read_inputs(uint32_t& bits) override;
    bool write_da(int channel, double volts) override;
    bool read_ad(int channel, double& volts) override;
    bool clear_counters() override;
    bool read_counter(counter_kind kind, int64_t& count) override;
    bool write_pwm(int channel, double hertz, double duty) override;
    bool read_pwm(int channel, double& hertz, double& duty) override;
    bool write_comparator_threshold(int comparator, double volts) override;
    bool read_comparator(int comparator, bool& high) override;
    bool arm_comparator_latch(int comparator, int ad_channel) override;
    bool read_latch(int ad_channel, double& volts) override;
    bool disarm_latch(int ad_channel) override;
    bool serial_open(int baud) override;
    bool serial_send(const std::vector<uint8_t>& bytes) override;
    bool serial_receive(std::vector<uint8_t>& bytes) override;
    bool modbus_write_read(int slave_id, int address, uint16_t value, uint16_t& read_back,
                           std::string& status) override;
    bool can_open(int nominal_bit_rate, int data_bit_rate) override;
    bool can_send(const port_can_frame& frame) override;
    bool can_receive(port_can_frame& frame) override;
    bool read_settings(std::vector<setting_entry>& settings) override;
    bool make_safe(bool everything) override;
    void pause_ms(int milliseconds) override;
    std::string error() const override { return error_; }

private:
    bool done(card::transfer_result result);
    bool done(int code, uint16_t index, uint8_t subindex);
    bool write(const protocol::object& object, uint64_t value);
    bool read(const protocol::object& object, uint64_t& value);
    bool modbus_exchange(const protocol::modbus::channel& channel, const char* what, std::string& status);

    ecat::master& master_;
    uint16_t position_;
    const model_traits* traits_ = nullptr; // known once the identity was read
    card::card_counters counters_;
    uint16_t saved_latch_word_ = 0;
    // what was driven away from its safe state since the last make_safe: bit per channel
    bool outputs_driven_ = false;
    unsigned da_driven_ = 0, pwm_driven_ = 0, thresholds_driven_ = 0;
    std::string error_;
};

} // namespace check
