#include <chrono>
#include <cstring>
#include <thread>

#include "ecat/master.h"
#include "platform/clock.h"

namespace ecat {

namespace {

int next_ring_slot(int slot)
{
    return (slot + 1) % ring_size;
}

// The next free ring datagram, or none when the ring is full.
datagram* free_ring_datagram(master& m)
{
    if (next_ring_slot(m.ring_write) == m.ring_read)
        return nullptr;
    return &m.ext_ring[m.ring_write];
}

// A request machine keeps its reply in the datagram it holds; the step runs on the
// fresh ring datagram, so the reply moves there first.
void carry_over(const datagram& from, datagram& to)
{
    to.type = from.type;
    std::memcpy(to.address, from.address, sizeof to.address);
    // every datagram is prepared within a ring slot; anything larger is refused, not copied
    if (from.data_size > to.capacity) {
        to.data_size = 0;
        to.index = from.index;
        to.working_counter = 0;
        to.state = datagram_state::error;
        return;
    }
    to.data_size = from.data_size;
    if (from.data_size)
        std::memcpy(to.data, from.data, from.data_size);
    to.index = from.index;
    to.working_counter = from.working_counter;
    to.state = from.state;
    to.sent_time = from.sent_time;
    to.received_time = from.received_time;
}

// While the master machine scans or configures, a tick runs further exchanges of its
// datagram as soon as each reply is in, within part of the tick. One exchange a tick
// made a rescan of 16 cards take 3.5 s (some 220 exchanges each, mostly SII reads); a
// ring answers within microseconds, so most of every millisecond was spent waiting.
constexpr int max_extra_exchanges = 32;
constexpr auto extra_exchange_budget = std::chrono::microseconds(500);
constexpr auto reply_poll_interval = std::chrono::microseconds(20);

bool master_machine_busy(master& m)
{
    std::lock_guard lock(m.master_lock);
    return !m.fsm.idle;
}

// Polls until the master machine's datagram is back (or timed out), at most until deadline.
bool await_machine_reply(master& m, std::chrono::steady_clock::time_point deadline)
{
    master_device& device = m.main_device;
    for (;;) {
        {
            std::lock_guard lock(m.send_receive_lock);
            device.poll_time = platform::tick_ms();
            if (device.poll && device.descriptor)
                device.poll(*device.descriptor);
            auto state = m.fsm_datagram.state;
            if (state != datagram_state::queued && state != datagram_state::sent)
                return true;
        }
        if (std::chrono::steady_clock::now() + reply_poll_interval >= deadline)
            return false;
        std::this_thread::sleep_for(reply_poll_interval);
    }
}

void run_extra_exchanges(master& m, std::chrono::steady_clock::time_point tick_start)
{
    const auto deadline = tick_start + extra_exchange_budget;
    for (int i = 0; i < max_extra_exchanges && !m.stop && m.main_device.link; ++i) {
        if (!master_machine_busy(m) || !await_machine_reply(m, deadline))
            return;
        {
            std::lock_guard lock(m.master_lock);
            master_fsm_exec(m.fsm);
        }
        std::lock_guard lock(m.send_receive_lock);
        master_queue_datagram(m, m.fsm_datagram);
        // what this tick sent already waits for its reply: send only the machine's datagram
        master_send_frames(m, 0, false);
    }
}

bool machine_idle(const slave_request_machine& fsm)
{
    return slave_request_is_end(fsm) || slave_request_is_ready(fsm);
}

// Runs one step on the ring datagram; true when the machine now holds it.
bool step_on_ring(master& m, slave_request_machine& fsm, datagram& ring_datagram)
{
    slave_request_exec(fsm, ring_datagram);
    if (machine_idle(fsm)) {
        fsm.dgram = nullptr;
        return false;
    }
    // a reply left unchanged by the retry rule goes out again as it is
    if (ring_datagram.state == datagram_state::timed_out)
        ring_datagram.state = datagram_state::init;
    fsm.dgram = &ring_datagram;
    m.ring_write = next_ring_slot(m.ring_write);
    return true;
}

void remove_busy(master& m, int position)
{
    for (int i = position; i + 1 < m.busy_count; ++i)
        m.busy[i] = m.busy[i + 1];
    --m.busy_count;
}

// Returns false when the rest of the request step must wait for the next tick.
bool run_busy_machines(master& m)
{
    for (int i = 0; i < m.busy_count;) {
        slave_request_machine& fsm = *m.busy[i];
        if (!fsm.dgram) {
            remove_busy(m, i);
            return false;
        }
        auto state = fsm.dgram->state;
        if (state == datagram_state::init || state == datagram_state::queued || state == datagram_state::sent)
            return false;
        datagram* fresh = free_ring_datagram(m);
        if (!fresh) {
            ++i; // ring full: this machine waits for the next tick
            continue;
        }
        carry_over(*fsm.dgram, *fresh);
        if (step_on_ring(m, fsm, *fresh))
            ++i;
        else
            remove_busy(m, i);
    }
    return true;
}

void start_ready_machines(master& m)
{
    unsigned count = m.slave_count;
    for (unsigned visited = 0; visited < count && m.busy_count < max_busy_request_machines; ++visited) {
        if (m.request_cursor >= count)
            m.request_cursor = 0;
        slave_request_machine& fsm = m.slaves[m.request_cursor].request_machine;
        m.request_cursor = (m.request_cursor + 1) % count;
        if (!slave_request_is_ready(fsm))
            continue;
        datagram* fresh = free_ring_datagram(m);
        if (!fresh)
            continue;
        fresh->state = datagram_state::init;
        fresh->sent_time = platform::tick_ms(); // the budget wait counts from here
        if (step_on_ring(m, fsm, *fresh))
            m.busy[m.busy_count++] = &fsm;
    }
}

} // namespace

void master_inject_ring_datagrams(master& m)
{
    size_t queued_bytes = 0;
    for (datagram* d = m.queue.front(); d; d = m.queue.next(*d))
        if (d->state == datagram_state::queued)
            queued_bytes += d->data_size;
    uint32_t wait_ms = module_data().external_datagram_wait_ms;
    while (m.ring_read != m.ring_write) {
        datagram& d = m.ext_ring[m.ring_read];
        if (d.state != datagram_state::init) {
            m.ring_read = next_ring_slot(m.ring_read);
            continue;
        }
        if (queued_bytes + d.data_size <= m.queue_budget) {
            d.sent_time = 0;
            master_queue_datagram(m, d);
            queued_bytes += d.data_size;
        } else if (d.data_size > m.queue_budget) {
            d.state = datagram_state::error;
        } else if (platform::tick_ms() - d.sent_time <= wait_ms) {
            return; // stays first in the ring until the queue has room
        } else {
            d.state = datagram_state::error;
        }
        m.ring_read = next_ring_slot(m.ring_read);
    }
}

void master_cycle_tick(master& m)
{
    const auto tick_start = std::chrono::steady_clock::now();
    m.tick_running = 1;
    ++m.tick_count;
    m.send_interval_us = 1000;
    m.queue_budget = default_queue_budget;
    master_device& device = m.main_device;

    uint32_t now = platform::tick_ms();
    if (now - m.fsm_datagram.skip_report_time > 1000) {
        m.fsm_datagram.skip_report_time = now;
        m.fsm_datagram.skip_count = 0;
    }

    {
        std::lock_guard lock(m.send_receive_lock);
        device.poll_time = platform::tick_ms();
        if (device.poll && device.descriptor)
            device.poll(*device.descriptor);
        master_timeout_datagrams(m);
    }

    bool fsm_ran = false;
    {
        std::lock_guard lock(m.master_lock);
        auto state = m.fsm_datagram.state;
        if (state != datagram_state::queued && state != datagram_state::sent) {
            master_fsm_exec(m.fsm);
            fsm_ran = true;
        }
        if (run_busy_machines(m))
            start_ready_machines(m);
    }

    {
        std::lock_guard lock(m.send_receive_lock);
        if (fsm_ran)
            master_queue_datagram(m, m.fsm_datagram);
        master_inject_ring_datagrams(m);
        if (device.link) {
            master_send_frames(m, 0);
        } else {
            m.queue.for_each([](datagram& d) {
                if (d.device_index != 0)
                    return;
                d.state = datagram_state::error;
                d.queue_link.unlink();
            });
            device.poll_time = platform::tick_ms();
            if (device.poll && device.descriptor)
                device.poll(*device.descriptor);
        }
    }

    if (fsm_ran)
        run_extra_exchanges(m, tick_start);

    m.tick_running = 0;
    if (!m.stop)
        m.timer->arm(m.send_interval_us);
}

} // namespace ecat
