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
#include "ecat/thread_annotations.h"

namespace ecat {

struct master_core;

constexpr size_t frame_buffer_size = 1514;
constexpr int ring_size = 32;
constexpr int max_busy_request_machines = 16;
constexpr unsigned default_queue_budget = 11250;
// how long a ring datagram over the byte budget may wait for a later frame
constexpr uint32_t external_datagram_wait_ms = 10;

struct transmit_buffer {
    uint8_t data[frame_buffer_size] = {};
    size_t length = 0;
};

struct master_device {
    master_core* owner = nullptr;
    net_device* descriptor = nullptr;
    void (*poll)(net_device&) = nullptr;
    uint8_t open = 0;
    uint8_t link = 0;
    std::unique_ptr<transmit_buffer[]> tx; // two, used alternately
    int tx_toggle = 0;
    uint32_t poll_time = 0;
};

using datagram_queue = intrusive_list<datagram, &datagram::queue_link>;

// The master's state. Only src/ecat works on it (through core_of); everyone else holds an
// ecat::master. The cycle thread owns what no lock names: it alone touches those fields
// while the cycle runs, and the callers of master_init/master_clear only while it is stopped.
struct master_core {
    uint32_t index = 0; // names the device (ecm0)
    // the slave table, the request queues and every state machine (the members marked
    // "master_lock" below; the machines reach them through their owner pointer, which the
    // analysis cannot follow, so these are not GUARDED_BY)
    mutex master_lock;
    master_device main_device;
    uint8_t mac[6] = {}; // the MAC whose adapter this master attaches to (broadcast: any)
    // the attachment of a descriptor to main_device
    mutex device_lock;
    master_state_machine fsm; // master_lock
    datagram fsm_datagram;
    int phase = 0; // 1 once the device is open

    std::unique_ptr<slave[]> slaves; // master_lock
    // written under master_lock; read without it for a count that may be stale at once
    std::atomic<unsigned> slave_count{0};

    datagram ref_sync_datagram, sync_datagram;
    slave* dc_reference_clock = nullptr; // master_lock

    // written by the cycle under master_lock, read by anyone without it
    std::atomic<int> scan_busy{0};
    std::atomic<unsigned> scans_started{0};

    datagram_queue queue GUARDED_BY(send_receive_lock);
    uint32_t datagram_index GUARDED_BY(send_receive_lock) = 0;

    datagram ext_ring[ring_size];
    int ring_read = 0;
    int ring_write = 0;
    unsigned send_interval_us = 1000;
    unsigned queue_budget = default_queue_budget;

    unsigned request_cursor = 0; // master_lock; slave whose request machine is tried next
    slave_request_machine* busy[max_busy_request_machines] = {}; // master_lock
    int busy_count = 0;                                          // master_lock

    std::unique_ptr<platform::tick_timer> timer;
    std::atomic<int> stop{1};
    std::atomic<int> tick_running{0};
    std::atomic<uint64_t> tick_count{0}; // ticks since start, for measurements
    // the datagram queue and the device during send and receive
    mutex send_receive_lock;
    // wakes every waiting caller when any request ends, so that none polls in 1 ms steps;
    // the mutex is the condition's alone and guards no field
    std::mutex request_end_lock;
    std::condition_variable request_ended;
};

// Initialises a master record. Returns 0 or -12.
int master_init(master_core& m, uint32_t index, const uint8_t* mac);
// Attaches a descriptor whose MAC is the master's (or when the master's is broadcast).
master_device* master_attach_device(master_core& m, net_device& descriptor);
// Opens the device and starts the cycle. Returns 0, -19 without descriptor, or the
// open operation's code.
int master_device_open(master_device& device);
// One cycle tick: receive, run the machines, send, re-arm.
void master_cycle_tick(master_core& m);
// Stops the cycle (waiting for a running tick), fails pending requests, releases the
// slaves, the datagrams and the device. Harmless when called twice.
void master_clear(master_core& m);

// Queue operations of the cycle (frame.cpp), under send_receive_lock.
void master_queue_datagram(master_core& m, datagram& d) REQUIRES(m.send_receive_lock);
void master_send_frames(master_core& m, int device_index, bool resend_unanswered = true) REQUIRES(m.send_receive_lock);
// Matches the datagrams of one received EtherCAT frame (the bytes after the Ethernet
// header). Returns how many of our datagrams it answered.
int master_receive_frame(master_core& m, const uint8_t* frame, size_t length) REQUIRES(m.send_receive_lock);
void master_timeout_datagrams(master_core& m) REQUIRES(m.send_receive_lock);
// Queues the prepared ring datagrams within the byte budget (part of the send step).
void master_inject_ring_datagrams(master_core& m) REQUIRES(m.send_receive_lock);
// True while some datagram of the queue is on the wire.
bool master_has_sent_datagrams(master_core& m) REQUIRES(m.send_receive_lock);

// Signals that a request has ended: every waiting caller wakes.
void master_signal_request_done(master_core& m);

// Releases the slave table (every record, failing its requests).
void master_clear_slaves(master_core& m);

} // namespace ecat
