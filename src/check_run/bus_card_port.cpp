// The card port over the master and the card operations. Objects that no card operation
// covers yet are addressed here by number, and only here: they follow the card objects the
// pages use (identity 0x1009/0x100A/0x4000/0x4001, inputs 0x2000, outputs 0x2300, AD 0x2010+n
// and 0x3028, encoder 0x2020, counter 0x2030, PWM 0x2320/0x2330, comparators 0x3030/0x3032,
// latches 0x3036/0x3037, serial 0x2402/0x2601/0x2603, Modbus 0x3000/0x3020 and CAN 0x2609).
#include "check_run/bus_card_port.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "card/card_ops.h"
#include "card/modbus_status.h"
#include "card/sdo_numbers.h"
#include "ecat/sdo_api.h"
#include "ecat/slave_info.h"
#include "pages/logic/card_port.h"
#include "pages/logic/io_scaling.h"
#include "pages/logic/settings_file.h"
#include "pages/logic/settings_transfer.h"

namespace check {

namespace {

constexpr uint16_t host_busy = 0x00FF;
constexpr uint16_t latch_enable = 0x0001;
constexpr unsigned comparator_source = 6; // latch trigger source of comparator 0; comparator 1 is 7
constexpr int modbus_holding_register = 3; // list index of the Modbus page's register types
constexpr int one_register = 1;            // bit-count code for one 16-bit register
constexpr int modbus_poll_ms = 2, modbus_limit_ms = 500, modbus_first_exchange_ms = 20;

std::string upload_text(ecat::master& m, uint16_t position, uint16_t index, size_t room, int& code)
{
    char text[64] = {};
    size_t size = 0;
    code = ecat::master_sdo_upload(m, position, index, 0, reinterpret_cast<uint8_t*>(text), room, &size, nullptr);
    return code == 0 ? std::string(text, strnlen(text, size)) : std::string();
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
    char text[64];
    std::snprintf(text, sizeof text, "0x%04X:%02X failed (%d)", unsigned(index), unsigned(subindex), code);
    error_ = index == 0 ? std::string("value refused") : std::string(text);
    return false;
}

bool bus_card_port::done(card::transfer_result result)
{
    return done(result.code, result.index, result.subindex);
}

bool bus_card_port::write(uint16_t index, uint8_t subindex, uint64_t value, size_t size)
{
    return done(card::write_number(master_, position_, index, subindex, value, size));
}

bool bus_card_port::read(uint16_t index, uint8_t subindex, size_t size, uint64_t& value)
{
    return done(card::read_number(master_, position_, index, subindex, size, value));
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
    int code = 0;
    identity.hardware_name = upload_text(master_, position_, 0x1009, 32, code);
    if (!done(code, 0x1009, 0))
        return false;
    traits_ = find_model_traits(identity.hardware_name);
    identity.software_version = upload_text(master_, position_, 0x100A, 16, code);
    uint64_t date = 0, high = 0, low = 0;
    char text[24];
    if (read(0x4000, 0, 4, date)) {
        std::snprintf(text, sizeof text, "%04X.%02X.%02X", unsigned(date >> 16), unsigned(date >> 8 & 0xFF),
                      unsigned(date & 0xFF));
        identity.date = text;
    }
    if (read(0x4001, 1, 4, high) && read(0x4001, 2, 4, low)) {
        std::snprintf(text, sizeof text, "%08X%08X", unsigned(high), unsigned(low));
        identity.serial = text;
    }
    return true; // texts that could not be read stay empty and fail their checks
}

bool bus_card_port::write_outputs(uint32_t bits)
{
    outputs_driven_ = true;
    return write(0x2300, 0, bits, 2);
}

bool bus_card_port::read_inputs(uint32_t& bits)
{
    uint64_t value = 0;
    bool ok = read(0x2000, 0, 2, value);
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
        if (!read(0x3028, uint8_t(channel + 1), 4, raw))
            return false;
        volts = page_logic::volts_24bit(uint32_t(raw));
        return true;
    }
    if (!read(uint16_t(0x2010 + channel), 0, 2, raw))
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
    bool ok = read(kind == counter_kind::encoder ? 0x2020 : 0x2030, 0, 4, raw);
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
    if (!read(uint16_t(0x2320 + channel), 0, 4, frequency) || !read(uint16_t(0x2330 + channel), 0, 2, fraction))
        return false;
    hertz = page_logic::pwm_hertz(uint32_t(frequency));
    duty = double(fraction) / 65536.0;
    return true;
}

bool bus_card_port::write_comparator_threshold(int comparator, double volts)
{
    thresholds_driven_ |= 1u << comparator;
    return write(0x3032, uint8_t(comparator + 1), page_logic::analog_raw_from_volts(volts), 2);
}

bool bus_card_port::read_comparator(int comparator, bool& high)
{
    uint64_t state = 0;
    bool ok = read(0x3030, uint8_t(comparator + 1), 2, state);
    high = state & 1;
    return ok;
}

bool bus_card_port::arm_comparator_latch(int comparator, int ad_channel)
{
    uint64_t word = 0;
    if (!read(0x3036, uint8_t(ad_channel + 1), 2, word))
        return false;
    saved_latch_word_ = uint16_t(word); // the configuration the settings check compares
    return write(0x3036, uint8_t(ad_channel + 1), latch_enable | (comparator_source + unsigned(comparator)) << 4, 2);
}

bool bus_card_port::read_latch(int ad_channel, double& volts)
{
    uint64_t raw = 0;
    bool ok = read(0x3037, uint8_t(ad_channel + 1), 4, raw);
    volts = page_logic::volts_24bit(uint32_t(raw));
    return ok;
}

bool bus_card_port::disarm_latch(int ad_channel)
{
    return write(0x3036, uint8_t(ad_channel + 1), saved_latch_word_, 2);
}

bool bus_card_port::serial_open(int baud)
{
    if (!write(0x2402, 4, 1, 1)) // the custom protocol: the jig's loop-back jumper
        return false;
    if (!done(page_logic::write_card_port_settings(master_, position_, uint32_t(baud), 0, 0), 0x2402, 2))
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
    return done(page_logic::send_card_message(master_, position_, bytes.data(), bytes.size()), 0x2600, 0);
}

// The receive step of card::usart_receive_step, with this card's own block number: the
// shared one would take one card's block for another's.
bool bus_card_port::serial_receive(std::vector<uint8_t>& bytes)
{
    uint64_t available = 0, block_number = 0, length = 0;
    if (!read(0x2601, 1, 2, available))
        return false;
    if (available == 0)
        return true;
    if (!write(0x2601, 2, host_busy, 2) || !read(0x2601, 3, 2, block_number))
        return false;
    if (block_number != last_serial_block_) {
        if (!read(0x2601, 4, 2, length))
            return false;
        length = std::min<uint64_t>(length, 32);
        uint8_t block[32] = {};
        for (size_t word = 0; word < (length + 3) / 4; ++word) {
            size_t got = 0;
            auto subindex = uint8_t(word + 1);
            if (!done(ecat::master_sdo_upload(master_, position_, 0x2603, subindex, block + 4 * word, 4, &got, nullptr),
                      0x2603, subindex))
                return false;
        }
        last_serial_block_ = uint16_t(block_number);
        bytes.insert(bytes.end(), block, block + length);
    }
    return write(0x2601, 2, 0, 2);
}

bool bus_card_port::modbus_exchange(uint16_t channel_index, const char* what, std::string& status)
{
    // the status word keeps the last exchange's: give the channel time for a fresh one
    pause_ms(modbus_first_exchange_ms);
    uint64_t word = 0;
    for (int waited = 0; waited <= modbus_limit_ms; waited += modbus_poll_ms) {
        if (!read(channel_index, 1, 2, word))
            return false;
        if (word != 0)
            break;
        pause_ms(modbus_poll_ms);
    }
    bool stopped = write(channel_index, 6, 0, 1);
    if (word == modbus_status::done)
        return stopped;
    char text[64];
    std::snprintf(text, sizeof text, "%s status 0x%04X%s", what, unsigned(word),
                  word & modbus_status::timed_out ? " (timed out)" : "");
    status = text;
    return false;
}

bool bus_card_port::modbus_write_read(int slave_id, int address, uint16_t value, uint16_t& read_back,
                                      std::string& status)
{
    status.clear();
    uint64_t back = 0;
    bool ok = write(0x2402, 4, 0, 1) // the port to the Modbus master: the jig's slave is on the line
        && write(0x2602, 1, value, 4)
        && done(card::write_modbus_channel(master_, position_, modbus_holding_register, address, slave_id,
                                           one_register, 1, 0))
        && modbus_exchange(0x3000, "Tx channel 0", status)
        && done(card::write_modbus_channel(master_, position_, modbus_holding_register, address, slave_id,
                                           one_register, 0, 0))
        && modbus_exchange(0x3020, "Rx channel 0", status) && read(0x2603, 1, 4, back);
    read_back = uint16_t(back);
    bool stopped = write(0x3000, 6, 0, 1) && write(0x3020, 6, 0, 1);
    return write(0x2402, 4, 1, 1) && stopped && ok;
}

bool bus_card_port::can_open(int nominal_bit_rate, int data_bit_rate)
{
    return write(0x2609, 1, uint32_t(nominal_bit_rate), 4) && write(0x2609, 2, uint32_t(data_bit_rate), 4);
}

bool bus_card_port::can_send(const port_can_frame& frame)
{
    return done(card::can_send(master_, position_, 0, frame.identifier, uint16_t(frame.data.size()), frame.data.data(),
                               frame.fd ? 1 : 0));
}

bool bus_card_port::can_receive(port_can_frame& frame)
{
    error_.clear();
    if (card::can_pending(master_, position_) <= 0)
        return false;
    card::can_frame got;
    if (!done(card::can_receive(master_, position_, got)))
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
        bool ok = read(object.index, object.subindex, 2, word);
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
