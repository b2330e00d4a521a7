#include "sim/cards/modbus_master.h"

#include <algorithm>

#include "sim/cards/card_aborts.h"
#include "sim/cards/modbus_rtu.h"
#include "sim/firmware/sdo_abort.h"

namespace sim::cards {

namespace modbus_status = protocol::modbus_status;

namespace {

constexpr uint8_t register_type_coil = 1, register_type_input = 2, register_type_input_register = 3,
                  register_type_holding = 4;
constexpr size_t exception_length = 5;

unsigned register_count(unsigned bits)
{
    return bits == 16 || bits == 1 ? 1 : bits == 32 || bits == 2 ? 2 : 0;
}

} // namespace

void modbus_master::install(card_hooks& hooks)
{
    for (unsigned slot = 0; slot < channel_slots; ++slot) {
        const protocol::modbus::channel channel = channel_of(slot);
        hooks.on_write(channel.run(), [this, slot](object_dictionary&, const std::vector<uint8_t>& data) {
            uint64_t run = incoming_number(data);
            if (run > 1)
                return card_abort::value_range_exceeded;
            running_ = uint16_t(run ? running_ | 1u << slot : running_ & ~(1u << slot));
            return uint32_t(0);
        });
        // read as 16 bits, cleared with a 16- or 32-bit write of 0
        hooks.on_write(channel.timeout_count(), [this, slot](object_dictionary&, const std::vector<uint8_t>& data) {
            if (data.size() != 2 && data.size() != 4)
                return sdo_abort::length_mismatch;
            if (incoming_number(data) != 0)
                return card_abort::value_range_exceeded;
            timeouts_[slot] = 0;
            return uint32_t(0);
        });
        hooks.on_read(channel.timeout_count(), [this, slot, count = channel.timeout_count()](object_dictionary& d) {
            d.set_value(count.index, count.subindex, {uint8_t(timeouts_[slot]), uint8_t(timeouts_[slot] >> 8)});
            return uint32_t(0);
        });
    }
}

void modbus_master::tick(object_dictionary& d, uint64_t now)
{
    if (!port_.modbus_mode()) {
        waiting_ = false;
        return;
    }
    if (waiting_) {
        receive(d, now);
        return;
    }
    if (!running_ || now < next_start_)
        return;
    for (unsigned tried = 0; tried < channel_slots; ++tried) {
        unsigned slot = next_slot_;
        next_slot_ = (next_slot_ + 1) % channel_slots;
        if ((running_ >> slot) & 1) {
            if (start(d, slot, now))
                return;
        }
    }
}

bool modbus_master::start(object_dictionary& d, unsigned slot, uint64_t now)
{
    const protocol::modbus::channel channel = channel_of(slot);
    auto address = uint16_t(number(d, channel.register_address()));
    auto bits = unsigned(number(d, channel.bit_count()));
    auto slave = uint8_t(number(d, channel.slave_id()));
    auto type = uint8_t(number(d, channel.register_type()));
    bool read = slot < 8;
    unsigned registers = register_count(bits);
    bool bit_type = type == register_type_coil || type == register_type_input;
    bool usable = slave >= 1 && slave <= 247 && (bit_type ? bits >= 1 && bits <= 32 : registers > 0)
        && (read ? type >= register_type_coil && type <= register_type_holding
                 : type == register_type_coil || type == register_type_holding);
    current_ = exchange{};
    current_.slot = slot;
    if (!usable) {
        finish(d, modbus_status::bad_setting, now);
        return false;
    }
    current_.bits = bit_type ? bits : 0;
    current_.registers = bit_type ? 0 : registers;
    uint32_t value = read ? 0 : uint32_t(number(d, protocol::modbus::tx_data(channel.number)));
    if (read) {
        static constexpr uint8_t functions[] = {0, modbus::function::read_coils, modbus::function::read_discrete_inputs,
                                                modbus::function::read_input_registers,
                                                modbus::function::read_holding_registers};
        current_.request = modbus::read_request(slave, functions[type], address, uint16_t(bit_type ? bits : registers));
    } else if (bit_type) {
        current_.request = modbus::write_coils_request(slave, address, uint16_t(bits), value);
    } else {
        std::vector<uint16_t> words = registers == 1 ? std::vector<uint16_t>{uint16_t(value)}
                                                     : std::vector<uint16_t>{uint16_t(value >> 16), uint16_t(value)};
        current_.request = modbus::write_registers_request(slave, address, words);
    }
    current_.reply_length = modbus::reply_length(current_.request);
    uint64_t timeout_frames = (port_.response_timeout() + 9u) / 10u; // 0.1 ms units, one frame per ms
    current_.deadline = now + (timeout_frames ? timeout_frames : 1);
    waiting_ = true;
    uint8_t stale[256]; // a late reply to an earlier request must not pass for this one's
    while (port_.line().receive(stale, sizeof stale) > 0) {
    }
    port_.line().send(current_.request.data(), current_.request.size());
    receive(d, now); // a jig slave answers at once
    return true;
}

void modbus_master::receive(object_dictionary& d, uint64_t now)
{
    uint8_t arrived[256];
    while (size_t count = port_.line().receive(arrived, sizeof arrived))
        current_.reply.insert(current_.reply.end(), arrived, arrived + count);
    const std::vector<uint8_t>& reply = current_.reply;
    bool exception = reply.size() >= 2 && (reply[1] & modbus::function::exception_flag);
    if (reply.size() >= (exception ? exception_length : current_.reply_length)) {
        finish(d, reply_status(), now);
        return;
    }
    if (now >= current_.deadline) {
        uint16_t& count = timeouts_[current_.slot];
        if (count < 0xFFFF)
            ++count;
        finish(d, modbus_status::timed_out, now);
    }
}

uint16_t modbus_master::reply_status() const
{
    const std::vector<uint8_t>& reply = current_.reply;
    const std::vector<uint8_t>& request = current_.request;
    bool exception = reply[1] & modbus::function::exception_flag;
    size_t length = exception ? exception_length : current_.reply_length;
    bool addressed = reply[0] == request[0] && (reply[1] & ~modbus::function::exception_flag) == request[1];
    if (!modbus::intact(reply.data(), length) || !addressed)
        return modbus_status::bad_reply;
    if (exception)
        return modbus_status::exception_status(reply[2]);
    // a read reply counts its data bytes; a write reply echoes address and value or quantity
    bool read = request[1] <= modbus::function::read_input_registers;
    bool consistent = read ? reply[2] == length - 5 : std::equal(&reply[2], &reply[6], &request[2]);
    return consistent ? modbus_status::done : modbus_status::bad_reply;
}

uint32_t modbus_master::reply_value() const
{
    const uint8_t* data = current_.reply.data() + 3;
    if (current_.registers == 1)
        return modbus::big16(data);
    if (current_.registers == 2)
        return uint32_t(modbus::big16(data)) << 16 | modbus::big16(data + 2);
    uint32_t bits = 0;
    for (unsigned i = 0; i < (current_.bits + 7) / 8; ++i)
        bits |= uint32_t(data[i]) << (8 * i);
    return current_.bits >= 32 ? bits : bits & ((1u << current_.bits) - 1);
}

void modbus_master::finish(object_dictionary& d, uint16_t status, uint64_t now)
{
    unsigned slot = current_.slot;
    const protocol::modbus::channel channel = channel_of(slot);
    if (status == modbus_status::done && slot < rx_slots)
        set_number(d, protocol::modbus::rx_data(channel.number), reply_value());
    set_number(d, channel.status(), status);
    waiting_ = false;
    next_start_ = now + port_.interval();
}

} // namespace sim::cards
