#include "sim/cards/serial_port.h"

#include "protocol/usart.h"
#include "sim/cards/card_aborts.h"

namespace sim::cards {

namespace {

constexpr uint64_t lowest_baud = 300;
constexpr uint64_t highest_baud = 3'000'000;

write_hook within(uint64_t low, uint64_t high)
{
    return [low, high](object_dictionary&, const std::vector<uint8_t>& data) {
        uint64_t value = incoming_number(data);
        return value < low || value > high ? card_abort::value_range_exceeded : 0;
    };
}

} // namespace

namespace usart = protocol::usart;

void serial_port::install(card_hooks& hooks)
{
    hooks.on_write(usart::modbus_response_timeout, [this](object_dictionary&, const std::vector<uint8_t>& data) {
        response_timeout_ = uint16_t(incoming_number(data));
        return uint32_t(0);
    });
    hooks.on_write(usart::baud_rate, within(lowest_baud, highest_baud));
    hooks.on_write(usart::modbus_interval, [this](object_dictionary&, const std::vector<uint8_t>& data) {
        interval_ = uint16_t(incoming_number(data));
        return uint32_t(0);
    });
    hooks.on_write(usart::serial_mode, [this](object_dictionary&, const std::vector<uint8_t>& data) {
        uint64_t mode = incoming_number(data);
        if (mode > 1)
            return card_abort::value_range_exceeded;
        mode_ = uint8_t(mode);
        jig_.set_modbus(modbus_mode());
        return uint32_t(0);
    });
    hooks.on_write(usart::parity, within(0, 2));    // none, odd, even
    hooks.on_write(usart::stop_bits, within(0, 1)); // one or two stop bits
}

bool serial_port::bind_pty(std::string& path, std::string& error)
{
    auto pty = std::make_unique<pty_serial_line>();
    if (!pty->open(error))
        return false;
    path = pty->path();
    pty_ = std::move(pty);
    return true;
}

void serial_port::wired_line::send(const uint8_t* data, size_t length)
{
    if (port_.pty_ && port_.pty_->peer_open())
        port_.pty_->send(data, length);
    else
        port_.jig_.send(data, length);
}

size_t serial_port::wired_line::receive(uint8_t* out, size_t room)
{
    size_t count = port_.pty_ ? port_.pty_->receive(out, room) : 0;
    return count > 0 ? count : port_.jig_.receive(out, room);
}

} // namespace sim::cards
