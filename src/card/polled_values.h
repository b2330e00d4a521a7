#pragma once
#include <atomic>
#include <cstdint>

// The latest value of each polled card object (protocol/*.h names them), written by the poll
// procedures and read by the pages' timers. Each entry holds the object's bytes as the
// upload delivered them (little-endian, as the host is) and is replaced only by a successful
// upload. Entries are atomic so that a page reading while a worker writes sees an old or a
// new value. The program keeps one block, owned by whoever runs the polls.
template <typename T> using polled = std::atomic<T>;

// One Modbus channel of the card (protocol::modbus::tx_channel / rx_channel).
struct modbus_channel_values {
    polled<uint16_t> status;
    polled<uint16_t> address;
    polled<uint8_t> bit_count;
    polled<uint8_t> slave_id;
    polled<uint8_t> register_type;
    polled<uint8_t> run;
    polled<uint16_t> timeout_count;
    polled<uint32_t> data; // tx_data / rx_data of the channel
};

struct polled_values {
    polled<uint16_t> inputs;
    polled<uint16_t> outputs;
    polled<uint16_t> comparator_inputs[4]; // the analog inputs, as the IO poll reads them
    polled<uint16_t> analog_inputs[4];     // the same objects, as the KOVA-H and KOVA-16IO polls read them
    polled<uint16_t> analog_outputs[4];
    polled<uint32_t> encoder;
    polled<uint32_t> counter;
    polled<uint32_t> pwm_frequencies[2];
    polled<uint16_t> pwm_duties[2];
    polled<uint16_t> comparator_states[2];
    polled<uint16_t> comparator_configuration;
    polled<uint16_t> comparator_thresholds[2];
    polled<uint16_t> comparator_outputs;
    polled<uint16_t> encoder_configuration;
    polled<uint16_t> comparator_latch_settings[4];
    polled<uint16_t> comparator_latches[4];
    polled<uint16_t> ain24_status; // the AD mode
    polled<uint32_t> ain24_inputs[16];
    polled<uint16_t> ain24_latch_settings[16];
    polled<uint32_t> ain24_latches[16];
    polled<uint16_t> crc_errors;
    modbus_channel_values modbus_tx[8];
    modbus_channel_values modbus_rx[8];
};
