#include <chrono>
#include <cstring>
#include <thread>

#include "ecat/fsm/mailbox.h"
#include "ecat/master.h"
#include "platform/clock.h"

namespace ecat {

namespace {

int next_ring_slot(int slot)
{
    return (slot + 1) % ring_size;
}

// A slot that a machine still holds, or whose datagram is queued or on the wire, must not
// be prepared again: with several exchanges a tick the ring comes round within one tick.
bool ring_slot_in_use(const master_core& m, const datagram& d)
{
    if (d.queue_link.linked() || d.state == datagram_state::queued || d.state == datagram_state::sent)
        return true;
    for (int i = 0; i < m.busy_count; ++i)
        if (m.busy[i]->dgram == &d)
            return true;
    return false;
}

// The next free ring datagram, or none when the ring is full. A slot still in use is
// passed over; it is not 'init', so the injection passes over it too.
datagram* free_ring_datagram(master_core& m)
{
    for (int passed = 0; passed < ring_size; ++passed) {
        if (next_ring_slot(m.ring_write) == m.ring_read)
            return nullptr;
        datagram& d = m.ext_ring[m.ring_write];
        if (!ring_slot_in_use(m, d))
            return &d;
        m.ring_write = next_ring_slot(m.ring_write);
    }
    return nullptr;
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

bool machine_idle(const slave_request_machine& fsm)
{
    return slave_request_is_end(fsm) || slave_request_is_ready(fsm);
}

// Runs one step on the ring datagram; true when the machine now holds it.
bool step_on_ring(master_core& m, slave_request_machine& fsm, datagram& ring_datagram)
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
    fsm.last_step = std::chrono::steady_clock::now();
    m.ring_write = next_ring_slot(m.ring_write);
    return true;
}

void remove_busy(master_core& m, int position)
{
    for (int i = position; i + 1 < m.busy_count; ++i)
        m.busy[i] = m.busy[i + 1];
    --m.busy_count;
}

// Returns false when the rest of the request step must wait for the next tick.
bool run_busy_machines(master_core& m)
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

void start_ready_machines(master_core& m)
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

// Within the tick, after its own frame, further exchanges run as soon as each reply is in:
// the master machine's while it scans or configures (one exchange a tick made a rescan of
// 16 cards take 3.5 s), and the request machines' (a CoE transfer took four ticks). A ring
// answers within microseconds, so most of every millisecond was spent waiting.
constexpr int max_master_extra_exchanges = 32;
constexpr auto extra_exchange_budget = std::chrono::microseconds(500);
constexpr auto reply_poll_interval = std::chrono::microseconds(20);
// A slave whose firmware has not yet answered is asked again this often within a tick,
// this far apart, then at the next tick: a slow slave costs at most 1 + 4 polls a tick.
constexpr int max_mailbox_polls_per_tick = 4;
constexpr auto mailbox_poll_spacing = std::chrono::microseconds(100);

bool datagram_in_flight(const datagram& d)
{
    return d.state == datagram_state::queued || d.state == datagram_state::sent;
}

bool master_machine_waits(master_core& m, int exchanges)
{
    return !m.fsm.idle && exchanges < max_master_extra_exchanges && datagram_in_flight(m.fsm_datagram);
}

// A status check that found the mailbox empty is sent again only within the poll bound.
bool poll_allowed(master_core& m, slave_request_machine& fsm, std::chrono::steady_clock::time_point now)
{
    if (fsm.poll_tick != m.tick_count) {
        fsm.poll_tick = m.tick_count;
        fsm.polls_in_tick = 0;
    }
    return fsm.polls_in_tick < max_mailbox_polls_per_tick && now - fsm.last_step >= mailbox_poll_spacing;
}

// True while some request machine's exchange may still move within this tick.
bool request_machines_wait(master_core& m)
{
    for (int i = 0; i < m.busy_count; ++i) {
        slave_request_machine& fsm = *m.busy[i];
        if (!fsm.dgram)
            continue;
        if (datagram_in_flight(*fsm.dgram))
            return true;
        if (mailbox_status_empty(*fsm.dgram)) {
            if (fsm.poll_tick != m.tick_count || fsm.polls_in_tick < max_mailbox_polls_per_tick)
                return true;
        } else if (fsm.dgram->state == datagram_state::received) {
            return true;
        }
    }
    return false;
}

// Steps every busy request machine whose reply is in, each onto a fresh ring datagram.
// One still waiting, timed out or refused is left for the next tick's step.
// True when a request ended.
bool step_answered_machines(master_core& m, std::chrono::steady_clock::time_point now)
{
    bool ended = false;
    for (int i = 0; i < m.busy_count;) {
        slave_request_machine& fsm = *m.busy[i];
        if (!fsm.dgram) {
            remove_busy(m, i);
            continue;
        }
        datagram& held = *fsm.dgram;
        bool empty_poll = mailbox_status_empty(held);
        if (held.state != datagram_state::received || (empty_poll && !poll_allowed(m, fsm, now))) {
            ++i;
            continue;
        }
        datagram* fresh = free_ring_datagram(m);
        if (!fresh)
            return ended;
        if (empty_poll)
            ++fsm.polls_in_tick;
        carry_over(held, *fresh);
        if (step_on_ring(m, fsm, *fresh)) {
            ++i;
        } else {
            remove_busy(m, i);
            ended = true;
        }
    }
    return ended;
}

void run_extra_exchanges(master_core& m, std::chrono::steady_clock::time_point tick_start, bool fsm_ran)
{
    const auto deadline = tick_start + extra_exchange_budget;
    master_device& device = m.main_device;
    int master_exchanges = 0;
    // a caller whose request ended queues its next one within microseconds: it starts here
    bool request_ended = false;
    while (!m.stop && device.link) {
        bool master_stepped = false;
        {
            mutex_lock lock(m.master_lock);
            if (fsm_ran && !m.fsm.idle && master_exchanges < max_master_extra_exchanges
                && !datagram_in_flight(m.fsm_datagram)) {
                master_fsm_exec(m.fsm);
                ++master_exchanges;
                master_stepped = true;
            }
            request_ended |= step_answered_machines(m, std::chrono::steady_clock::now());
            start_ready_machines(m);
        }
        {
            mutex_lock lock(m.send_receive_lock);
            if (master_stepped)
                master_queue_datagram(m, m.fsm_datagram);
            master_inject_ring_datagrams(m);
            // what this tick sent already waits for its reply: send only what is new
            master_send_frames(m, 0, false);
        }
        {
            mutex_lock lock(m.master_lock);
            if (!(fsm_ran && master_machine_waits(m, master_exchanges)) && !request_machines_wait(m) && !request_ended)
                return;
        }
        if (std::chrono::steady_clock::now() + reply_poll_interval >= deadline)
            return;
        std::this_thread::sleep_for(reply_poll_interval);
        mutex_lock lock(m.send_receive_lock);
        device.poll_time = platform::tick_ms();
        if (device.poll && device.descriptor)
            device.poll(*device.descriptor);
    }
}

} // namespace

void master_inject_ring_datagrams(master_core& m)
{
    size_t queued_bytes = 0;
    for (datagram* d = m.queue.front(); d; d = m.queue.next(*d))
        if (d->state == datagram_state::queued)
            queued_bytes += d->data_size;
    uint32_t wait_ms = external_datagram_wait_ms;
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

void master_cycle_tick(master_core& m)
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
        mutex_lock lock(m.send_receive_lock);
        device.poll_time = platform::tick_ms();
        if (device.poll && device.descriptor)
            device.poll(*device.descriptor);
        master_timeout_datagrams(m);
    }

    bool fsm_ran = false;
    {
        mutex_lock lock(m.master_lock);
        auto state = m.fsm_datagram.state;
        if (state != datagram_state::queued && state != datagram_state::sent) {
            master_fsm_exec(m.fsm);
            fsm_ran = true;
        }
        if (run_busy_machines(m))
            start_ready_machines(m);
    }

    {
        mutex_lock lock(m.send_receive_lock);
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

    run_extra_exchanges(m, tick_start, fsm_ran);

    m.tick_running = 0;
    if (!m.stop)
        m.timer->arm(m.send_interval_us);
}

} // namespace ecat
