#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "ecat/datagram.h"
#include "ecat/fsm/master_fsm.h"
#include "ecat/list.h"
#include "ecat/net_device.h"
#include "ecat/slave.h"
#include "ecat/topology.h"
#include "platform/event.h"
#include "platform/tick_timer.h"

namespace ecat {

struct master;

constexpr size_t frame_buffer_size = 1514;
constexpr int ring_size = 32;
constexpr int max_busy_request_machines = 16;
constexpr unsigned default_queue_budget = 11250;

struct transmit_buffer {
    uint8_t data[frame_buffer_size] = {};
    size_t length = 0;
};

struct master_device {
    master* owner = nullptr;
    net_device* descriptor = nullptr;
    void (*poll)(net_device&) = nullptr;
    uint8_t open = 0;
    uint8_t link = 0;
    std::unique_ptr<transmit_buffer[]> tx; // two, used alternately
    int tx_toggle = 0;
    uint32_t poll_time = 0;
};

using datagram_queue = intrusive_list<datagram, &datagram::queue_link>;

struct master {
    uint32_t index = 0; // names the device (ecm0)
    std::mutex master_lock;
    master_device main_device;
    const uint8_t* mac = nullptr; // this master's entry of the module MAC table
    std::mutex device_lock;
    master_state_machine fsm;
    datagram fsm_datagram;
    int phase = 0; // 1 once the device is open; read by tests

    std::unique_ptr<slave[]> slaves;
    std::atomic<unsigned> slave_count{0};
    std::vector<std::unique_ptr<slave_config>> configs;

    datagram ref_sync_datagram, sync_datagram;
    slave* dc_reference_clock = nullptr;

    std::atomic<int> scan_busy{0};
    std::atomic<unsigned> scans_started{0}; // for diagnostics and tests
    std::mutex scan_lock;
    platform::auto_reset_event scan_done;
    std::atomic<int> config_busy{0};
    std::mutex config_lock;
    platform::auto_reset_event config_done;

    datagram_queue queue;
    uint32_t datagram_index = 0;

    datagram ext_ring[ring_size];
    int ring_read = 0;
    int ring_write = 0;
    unsigned send_interval_us = 1000;
    unsigned queue_budget = default_queue_budget;

    unsigned request_cursor = 0; // slave whose request machine is tried next
    slave_request_machine* busy[max_busy_request_machines] = {};
    int busy_count = 0;

    int debug_level = 0;
    std::unique_ptr<platform::tick_timer> timer;
    std::atomic<int> stop{1};
    std::atomic<int> tick_running{0};
    std::atomic<uint64_t> tick_count{0}; // ticks since start, for measurements
    std::mutex send_receive_lock;
    platform::auto_reset_event request_done; // set when a request ends, for waiters on the event
    // wakes every waiting caller when any request ends, so that none polls in 1 ms steps
    std::mutex request_end_lock;
    std::condition_variable request_ended;
};

// Module data: the MAC table and the wait of ring datagrams over budget.
struct master_module {
    uint8_t main_mac[6] = {};
    uint8_t backup_mac[6] = {};
    uint32_t external_datagram_wait_ms = 10;
};
master_module& module_data();

// The one master of the process.
master& master_zero();

// Sets the module MAC table and initialises master 0. Returns 0 or -12.
int master_module_init(const uint8_t mac[6]);
// Initialises a master record (the module's, or a test's own). Returns 0 or -12.
int master_init(master& m, uint32_t index, const uint8_t* mac);
// Attaches a descriptor whose MAC is the master's (or when the master's is broadcast).
master_device* master_attach_device(master& m, net_device& descriptor);
// Opens the device and starts the cycle. Returns 0, -19 without descriptor, or the
// open operation's code.
int master_device_open(master_device& device);
// One cycle tick: receive, run the machines, send, re-arm.
void master_cycle_tick(master& m);
// Stops the cycle (waiting for a running tick), fails pending requests, releases the
// slaves, the datagrams and the device. Harmless when called twice.
void master_clear(master& m);

// Queue operations of the cycle (frame.cpp).
void master_queue_datagram(master& m, datagram& d);
void master_send_frames(master& m, int device_index, bool resend_unanswered = true);
// Matches the datagrams of one received EtherCAT frame (the bytes after the Ethernet
// header). Returns how many of our datagrams it answered.
int master_receive_frame(master& m, const uint8_t* frame, size_t length);
void master_timeout_datagrams(master& m);
// Queues the prepared ring datagrams within the byte budget (part of the send step).
void master_inject_ring_datagrams(master& m);
// True while some datagram of the queue is on the wire.
bool master_has_sent_datagrams(master& m);

// Signals that a request has ended: the request-done event, and every waiting caller.
void master_signal_request_done(master& m);

// Releases the slave table (every record, failing its requests).
void master_clear_slaves(master& m);

} // namespace ecat
