#pragma once
#include <atomic>
#include <cstdint>

// The latest value of each polled card object, written by the poll procedures and read by
// the pages' timers. Each entry holds the object's bytes as the upload delivered them
// (little-endian, as the host is) and is replaced only by a successful upload. Entries
// are atomic so that a page reading while a worker writes sees an old or a new value.
template <typename T> using polled = std::atomic<T>;

// One Modbus channel of the card (objects 0x3000+n for Tx, 0x3020+n for Rx).
struct modbus_channel_values {
    polled<uint16_t> status;        // :01
    polled<uint16_t> address;       // :02
    polled<uint8_t> bit_count;      // :03
    polled<uint8_t> slave_id;       // :04
    polled<uint8_t> register_type;  // :05
    polled<uint8_t> run;            // :06
    polled<uint16_t> timeout_count; // :07
    polled<uint32_t> data;          // 0x2602:(n+1) for Tx, 0x2603:(n+1) for Rx
};

struct polled_values {
    polled<uint16_t> inputs;                       // 0x2000:00
    polled<uint16_t> outputs;                      // 0x2300:00
    polled<uint16_t> comparator_inputs[4];         // 0x2010..0x2013:00, IO poll
    polled<uint16_t> analog_inputs[4];             // 0x2010..0x2013:00, KOVA-H and KOVA-16IO polls
    polled<uint16_t> analog_outputs[4];            // 0x2310..0x2313:00
    polled<uint32_t> encoder;                      // 0x2020:00
    polled<uint32_t> counter;                      // 0x2030:00
    polled<uint32_t> pwm_frequencies[2];           // 0x2320, 0x2321:00
    polled<uint16_t> pwm_duties[2];                // 0x2330, 0x2331:00
    polled<uint16_t> comparator_states[2];         // 0x3030:01, :02
    polled<uint16_t> object_3031;                  // 0x3031:00
    polled<uint16_t> comparator_thresholds[2];     // 0x3032:01, :02
    polled<uint16_t> object_3033;                  // 0x3033:00
    polled<uint16_t> object_3034;                  // 0x3034:00
    polled<uint16_t> comparator_latch_settings[4]; // 0x3038:01..04
    polled<uint16_t> comparator_latches[4];        // 0x3039:01..04
    polled<uint16_t> ain24_status;                 // 0x3029:01
    polled<uint32_t> ain24_inputs[16];             // 0x3028:01..10
    polled<uint16_t> ain24_latch_settings[16];     // 0x3036:01..10
    polled<uint32_t> ain24_latches[16];            // 0x3037:01..10
    polled<uint16_t> crc_errors;                   // 0x3061:00
    modbus_channel_values modbus_tx[8];
    modbus_channel_values modbus_rx[8];
};

// The process's block, zero at start.
polled_values& shared_polled_values();
