#include "protocol/can.h"
#include "protocol/modbus.h"
#include "protocol/usart.h"
#include "sim/cards/card_layout.h"

namespace sim::cards {

namespace {

using access = object_access;
namespace can = protocol::can;
namespace usart = protocol::usart;

// a record of count 32-bit data words made by word(n)
template <typename Make> void data_words(slave_builder& b, int count, Make word, access a)
{
    add_record(b, word(0).index, uint8_t(count));
    for (int n = 0; n < count; ++n)
        add_number(b, word(n), a, 0);
}

} // namespace

void add_serial_objects(slave_builder& b)
{
    add_record(b, usart::baud_rate.index, 7);
    add_number(b, usart::modbus_response_timeout, access::read_write, 10);
    add_number(b, usart::baud_rate, access::read_write, 115200);
    add_number(b, usart::modbus_interval, access::read_write, 2);
    add_number(b, usart::serial_mode, access::read_write, usart::custom_protocol_mode);
    add_number(b, usart::data_bits, access::read_only, 8);
    add_number(b, usart::parity, access::read_write, 0);
    add_number(b, usart::stop_bits, access::read_write, 0);

    add_record(b, usart::send_state.index, 4);
    add_number(b, usart::send_state, access::read_write, 0);
    add_number(b, usart::blocks_sent, access::read_only, 0);
    add_number(b, usart::send_trigger, access::read_write, 0);
    add_number(b, usart::send_length, access::read_write, 0);
    add_record(b, usart::receive_available.index, 4);
    add_number(b, usart::receive_available, access::read_only, 0);
    add_number(b, usart::host_busy, access::read_write, 0);
    add_number(b, usart::received_block_number, access::read_only, 0);
    add_number(b, usart::received_block_length, access::read_only, 0);
    // shared with the Modbus channels: staged send data or Tx data, received data or Rx data
    data_words(b, usart::block_words, usart::send_data, access::read_write);
    data_words(b, usart::block_words, usart::received_data, access::read_only);
}

void add_modbus_objects(slave_builder& b)
{
    for (auto channel_of : {protocol::modbus::tx_channel, protocol::modbus::rx_channel})
        for (int n = 0; n < protocol::modbus::channel_count; ++n) {
            const protocol::modbus::channel c = channel_of(n);
            add_record(b, c.index, 7);
            add_number(b, c.status(), access::read_only, 0);
            add_number(b, c.register_address(), access::read_write, 0);
            add_number(b, c.bit_count(), access::read_write, 16);
            add_number(b, c.slave_id(), access::read_write, 1);
            add_number(b, c.register_type(), access::read_write, 0);
            add_number(b, c.run(), access::read_write, 0);
            add_word_written_wide(b, c.timeout_count(), access::read_write);
        }
}

void add_can_objects(slave_builder& b)
{
    add_record(b, can::nominal_bit_rate.index, 2);
    add_number(b, can::nominal_bit_rate, access::read_write, 500000);
    add_number(b, can::data_bit_rate, access::read_write, 1000000);

    add_record(b, can::send_trigger.index, 6);
    add_number(b, can::send_trigger, access::read_write, 0);
    add_number(b, can::send_identifier, access::read_write, 0);
    add_number(b, can::frames_sent, access::read_only, 0);
    add_number(b, can::send_length, access::read_write, 0);
    add_number(b, can::send_format, access::read_write, 0);
    add_number(b, can::send_type, access::read_write, 0);
    add_record(b, can::receive_request.index, 6);
    add_number(b, can::receive_request, access::read_write, 0);
    for (const protocol::object& o : {can::received_identifier, can::frames_waiting, can::received_length,
                                      can::received_format, can::received_type})
        add_number(b, o, access::read_only, 0);
    data_words(b, can::data_words, can::send_data, access::read_write);
    data_words(b, can::data_words, can::received_data, access::read_only);
}

} // namespace sim::cards
