// The card port over the master: every access goes through a card operation or a named
// card object.
#include "check_run/bus_card_port.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "card/card_ops.h"
#include "card/identity_text.h"
#include "card/sdo_numbers.h"
#include "ecat/result.h"
#include "ecat/slave_info.h"
#include "pages/logic/card_port.h"
#include "pages/logic/io_scaling.h"
#include "pages/logic/settings_file.h"
#include "pages/logic/settings_transfer.h"
#include "protocol/analog.h"
#include "protocol/can.h"
#include "protocol/counter.h"
#include "protocol/identity.h"
#include "protocol/io.h"
#include "protocol/latch.h"
#include "protocol/modbus.h"
#include "protocol/modbus_status.h"
#include "protocol/usart.h"

namespace check {

namespace {

constexpr unsigned comparator_source = 6;  // latch trigger source of comparator 0; comparator 1 is 7
constexpr int modbus_holding_register = 3; // list index of the Modbus page's register types
constexpr int one_register = 1;            // bit-count code for one 16-bit register
constexpr int modbus_poll_ms = 2, modbus_limit_ms = 500, modbus_first_exchange_ms = 20;

std::string upload_text(ecat::master& m, uint16_t position, const protocol::object& object,
                        card::transfer_result& result)
{
    uint8_t text[64] = {};
    size_t size = 0;
    result = card::read_object_bytes(m, position, object, text, size);
    return result.ok()
        ? std::string(reinterpret_cast<const char*>(text), strnlen(reinterpret_cast<const char*>(text), size))
        : std::string();
}

bool has_ad24(const model_traits* traits)
{
    return traits && traits->comparators; // the cards with comparators carry the 24-bit converter
}

} // namespace

bool bus_card_port::done(int code, uint16_t index, uint8_t subindex)
{
    if (code == 0)
        return true;
    char object[24];
    std::snprintf(object, sizeof object, "0x%04X:%02X failed: ", unsigned(index), unsigned(subindex));
    error_ = index == 0 ? std::string("value refused") : object + ecat::describe(code);
    return false;
}

bool bus_card_port::done(card::transfer_result result)
{
    return done(result.code, result.index, result.subindex);
}

bool bus_card_port::write(const protocol::object& object, uint64_t value)
{
    return done(card::write_object(master_, position_, object, value));
}

bool bus_card_port::read(const protocol::object& object, uint64_t& value)
{
    return done(card::read_object(master_, position_, object, value));
}

bool bus_card_port::read_identity(card_identity& identity)
{
    ecat::slave_info info;
    if (!done(ecat::master_get_slave_info(master_, position_, info), 0, 0)) {
        error_ = "no slave at " + std::to_string(position_);
        return false;
    }
    identity.vendor_id = info.vendor_id;
    identity.product_code = info.product_code;
    card::transfer_result result;
    identity.hardware_name = upload_text(master_, position_, protocol::identity::hardware_version, result);
    if (!done(result))
        return false;
    traits_ = find_model_traits(identity.hardware_name);
    identity.software_version = upload_text(master_, position_, protocol::identity::software_version, result);
    uint64_t date = 0, high = 0, low = 0;
    if (read(protocol::identity::date, date)) {
        const uint8_t bytes[4] = {uint8_t(date), uint8_t(date >> 8), uint8_t(date >> 16), uint8_t(date >> 24)};
        identity.date = format_identity_date(bytes);
    }
    if (read(protocol::identity::serial_high, high) && read(protocol::identity::serial_low, low))
        identity.serial = format_serial_number(uint32_t(high), uint32_t(low));
    return true; // texts that could not be read stay empty and fail their checks
}

bool bus_card_port::write_outputs(uint32_t bits)
{
    outputs_driven_ = true;
    return done(card::write_outputs(master_, position_, uint16_t(bits)));
}

bool bus_card_port::read_inputs(uint32_t& bits)
{
    uint64_t value = 0;
    bool ok = read(protocol::io::digital_inputs, value);
    bits = uint32_t(value);
    return ok;
}

bool bus_card_port::write_da(int channel, double volts)
{
    da_driven_ |= 1u << channel;
    return done(card::write_da_voltage(master_, position_, channel, volts));
}

bool bus_card_port::read_ad(int channel, double& volts)
{
    uint64_t raw = 0;
    if (has_ad24(traits_)) {
        if (!read(protocol::analog::ad24_input(channel), raw))
            return false;
        volts = page_logic::volts_24bit(uint32_t(raw));
        return true;
    }
    if (!read(protocol::io::analog_input(channel), raw))
        return false;
    volts = page_logic::volts_12bit(uint16_t(raw));
    return true;
}

bool bus_card_port::clear_counters()
{
    return done(card::clear_counters(master_, position_));
}

bool bus_card_port::read_counter(counter_kind kind, int64_t& count)
{
    uint64_t raw = 0;
    bool ok = read(kind == counter_kind::encoder ? protocol::counter::encoder : protocol::counter::counter, raw);
    count = int32_t(uint32_t(raw));
    return ok;
}

bool bus_card_port::write_pwm(int channel, double hertz, double duty)
{
    pwm_driven_ |= 1u << channel;
    return done(card::write_pwm_frequency(master_, position_, channel, hertz))
        && done(card::write_pwm_duty(master_, position_, channel, duty));
}

bool bus_card_port::read_pwm(int channel, double& hertz, double& duty)
{
    uint64_t frequency = 0, fraction = 0;
    if (!read(protocol::counter::pwm_frequency(channel), frequency)
        || !read(protocol::counter::pwm_duty(channel), fraction))
        return false;
    hertz = page_logic::pwm_hertz(uint32_t(frequency));
    duty = double(fraction) / 65536.0;
    return true;
}

bool bus_card_port::write_comparator_threshold(int comparator, double volts)
{
    thresholds_driven_ |= 1u << comparator;
    return done(
        card::write_comparator_threshold(master_, position_, comparator, page_logic::analog_raw_from_volts(volts)));
}

bool bus_card_port::read_comparator(int comparator, bool& high)
{
    uint64_t state = 0;
    bool ok = read(protocol::latch::comparator_state(comparator), state);
    high = state & 1;
    return ok;
}

bool bus_card_port::arm_comparator_latch(int comparator, int ad_channel)
{
    uint64_t word = 0;
    if (!read(protocol::latch::ad_latch_configuration(ad_channel), word))
        return false;
    saved_latch_word_ = uint16_t(word); // the configuration the settings check compares
    return write(protocol::latch::ad_latch_configuration(ad_channel),
                 protocol::latch::latch_enabled | (comparator_source + unsigned(comparator)) << 4);
}

bool bus_card_port::read_latch(int ad_channel, double& volts)
{
    uint64_t raw = 0;
    bool ok = read(protocol::latch::ad_latch(ad_channel), raw);
    volts = page_logic::volts_24bit(uint32_t(raw));
    return ok;
}

bool bus_card_port::disarm_latch(int ad_channel)
{
    return write(protocol::latch::ad_latch_configuration(ad_channel), saved_latch_word_);
}

bool bus_card_port::serial_open(int baud)
{
    // the custom protocol: the jig's loop-back jumper
    if (!done(card::write_serial_mode(master_, position_, protocol::usart::custom_protocol_mode))
        || !done(card::write_serial_settings(master_, position_, uint32_t(baud), 0, 0)))
        return false;
    std::vector<uint8_t> stale; // bytes from before are not this check's
    for (int n = 0; n < 200; ++n) {
        size_t before = stale.size();
        if (!serial_receive(stale))
            return false;
        if (stale.size() == before)
            break;
    }
    return true;
}

bool bus_card_port::serial_send(const std::vector<uint8_t>& bytes)
{
    return done(card::usart_send_message(master_, position_, counters_, bytes.data(), bytes.size()));
}

bool bus_card_port::serial_receive(std::vector<uint8_t>& bytes)
{
    auto deliver = [&bytes](const uint8_t* data, size_t length) { bytes.insert(bytes.end(), data, data + length); };
    return done(card::usart_receive_step(master_, position_, counters_, deliver));
}

bool bus_card_port::modbus_exchange(const protocol::modbus::channel& channel, const char* what, std::string& status)
{
    // the status word keeps the last exchange's: give the channel time for a fresh one
    pause_ms(modbus_first_exchange_ms);
    uint64_t word = 0;
    for (int waited = 0; waited <= modbus_limit_ms; waited += modbus_poll_ms) {
        if (!read(channel.status(), word))
            return false;
        if (word != 0)
            break;
        pause_ms(modbus_poll_ms);
    }
    bool stopped = write(channel.run(), 0);
    if (word == protocol::modbus_status::done)
        return stopped;
    char text[64];
    std::snprintf(text, sizeof text, "%s status 0x%04X%s", what, unsigned(word),
                  word & protocol::modbus_status::timed_out ? " (timed out)" : "");
    status = text;
    return false;
}

bool bus_card_port::modbus_write_read(int slave_id, int address, uint16_t value, uint16_t& read_back,
                                      std::string& status)
{
    status.clear();
    uint64_t back = 0;
    // the port to the Modbus master: the jig's slave is on the line
    bool ok = done(card::write_serial_mode(master_, position_, protocol::usart::modbus_mode))
        && done(card::write_modbus_tx_data(master_, position_, 0, value))
        && done(card::write_modbus_channel(master_, position_, modbus_holding_register, address, slave_id, one_register,
                                           1, 0))
        && modbus_exchange(protocol::modbus::tx_channel(0), "Tx channel 0", status)
        && done(card::write_modbus_channel(master_, position_, modbus_holding_register, address, slave_id, one_register,
                                           0, 0))
        && modbus_exchange(protocol::modbus::rx_channel(0), "Rx channel 0", status)
        && read(protocol::modbus::rx_data(0), back);
    read_back = uint16_t(back);
    bool stopped = write(protocol::modbus::tx_channel(0).run(), 0) && write(protocol::modbus::rx_channel(0).run(), 0);
    return done(card::write_serial_mode(master_, position_, protocol::usart::custom_protocol_mode)) && stopped && ok;
}

bool bus_card_port::can_open(int nominal_bit_rate, int data_bit_rate)
{
    return done(card::write_can_bit_rates(master_, position_, uint32_t(nominal_bit_rate), uint32_t(data_bit_rate)));
}

bool bus_card_port::can_send(const port_can_frame& frame)
{
    return done(card::can_send(master_, position_, counters_, 0, frame.identifier, uint16_t(frame.data.size()),
                               frame.data.data(), frame.fd ? 1 : 0));
}

bool bus_card_port::can_receive(port_can_frame& frame)
{
    error_.clear();
    if (card::can_pending(master_, position_) <= 0)
        return false;
    card::can_frame got;
    if (!done(card::can_receive(master_, position_, counters_, got)))
        return false;
    frame.identifier = got.identifier;
    frame.fd = got.format != 0;
    frame.data.assign(got.data, got.data + got.length);
    return true;
}

bool bus_card_port::read_settings(std::vector<setting_entry>& settings)
{
    page_logic::settings_config config;
    auto reader = [this](page_logic::object_address object, uint16_t& value) {
        uint64_t word = 0;
        bool ok = read(protocol::object{object.index, object.subindex, 2, "Setting"}, word);
        value = uint16_t(word);
        return ok;
    };
    if (page_logic::read_settings(reader, config))
        return false;
    // the settings page's file format names each key
    std::string text = page_logic::export_settings(config), section;
    settings.clear();
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find('\n', at);
        std::string line = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
        at = end == std::string::npos ? text.size() : end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        size_t equals = line.find('=');
        if (line.size() > 2 && line.front() == '[' && line.back() == ']')
            section = line.substr(1, line.size() - 2);
        else if (equals != std::string::npos)
            settings.push_back({section, line.substr(0, equals), std::atoll(line.c_str() + equals + 1)});
    }
    return true;
}

bool bus_card_port::make_safe(bool everything)
{
    std::string first_error;
    bool safe = true;
    auto step = [&](bool ok) {
        if (!ok && first_error.empty())
            first_error = error_;
        safe = safe && ok;
    };
    auto driven = [everything](unsigned mask, int channel) { return everything || (mask >> channel & 1); };
    if (everything || outputs_driven_)
        step(write_outputs(0));
    if (traits_) {
        for (int channel = 0; channel < traits_->da_outputs; ++channel)
            if (driven(da_driven_, channel))
                step(write_da(channel, 0));
        for (int channel = 0; traits_->pwm && channel < 2; ++channel)
            if (driven(pwm_driven_, channel))
                step(done(card::write_pwm_duty(master_, position_, channel, 0)));
        for (int comparator = 0; traits_->comparators && comparator < 2; ++comparator)
            if (driven(thresholds_driven_, comparator))
                step(write_comparator_threshold(comparator, 0));
    }
    // the check sends CAN frames one at a time and starts no timed send: none to stop
    if (safe)
        outputs_driven_ = false, da_driven_ = pwm_driven_ = thresholds_driven_ = 0;
    error_ = first_error;
    return safe;
}

void bus_card_port::pause_ms(int milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

} // namespace check
