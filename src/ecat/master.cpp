#include "ecat/master.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "ecat/adapter.h"
#include "ecat/result.h"
#include "ecat/topology.h"

namespace ecat {

namespace {

const uint8_t broadcast_mac[6] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

void write_ethernet_header(transmit_buffer& buffer)
{
    std::memset(buffer.data, 0xFF, 6);
    buffer.data[12] = 0x88;
    buffer.data[13] = 0xA4;
}

void release_datagrams(master_core& m)
{
    datagram_clear(m.sync_datagram, "sync");
    datagram_clear(m.ref_sync_datagram, "refsync");
    for (int i = 0; i < ring_size; ++i) {
        char name[20];
        std::snprintf(name, sizeof name, "ext-%u", static_cast<unsigned>(i));
        datagram_clear(m.ext_ring[i], name);
    }
    datagram_clear(m.fsm_datagram, "master-fsm");
}

} // namespace

int master_init(master_core& m, uint32_t index, const uint8_t* mac)
{
    m.index = index;
    if (mac)
        std::memcpy(m.mac, mac, 6);
    else
        std::memset(m.mac, 0, 6);
    m.slaves.reset();
    m.slave_count = 0;
    m.dc_reference_clock = nullptr;
    m.scan_busy = 0;
    m.scans_started = 0;
    {
        mutex_lock lock(m.send_receive_lock);
        m.queue.clear();
        m.datagram_index = 0;
    }
    m.ring_read = m.ring_write = 0;
    m.send_interval_us = 1000;
    m.queue_budget = default_queue_budget;
    m.request_cursor = 0;
    m.busy_count = 0;
    m.stop = 1;
    m.tick_running = 0;
    m.phase = 0;

    master_device& device = m.main_device;
    device.owner = &m;
    device.descriptor = nullptr;
    device.poll = nullptr;
    device.open = device.link = 0;
    device.tx_toggle = 0;
    device.poll_time = 0;
    device.tx.reset(new (std::nothrow) transmit_buffer[2]);
    if (!device.tx)
        return result::no_memory;
    write_ethernet_header(device.tx[0]);
    write_ethernet_header(device.tx[1]);

    release_datagrams(m);
    bool allocated = datagram_reserve(m.fsm_datagram, max_datagram_data) == 0;
    for (auto& ring_datagram : m.ext_ring)
        allocated = allocated && datagram_reserve(ring_datagram, max_datagram_data) == 0;
    allocated = allocated && datagram_reserve(m.ref_sync_datagram, 4) == 0 && datagram_reserve(m.sync_datagram, 4) == 0;
    if (!allocated) {
        release_datagrams(m);
        device.tx.reset();
        return result::no_memory;
    }
    master_fsm_init(m.fsm, m, m.fsm_datagram);
    if (!m.timer)
        m.timer = std::make_unique<platform::tick_timer>([&m] { master_cycle_tick(m); });
    return 0;
}

master_device* master_attach_device(master_core& m, net_device& descriptor)
{
    master_device& device = m.main_device;
    bool attached = false;
    {
        mutex_lock lock(m.device_lock);
        bool mac_matches = std::memcmp(m.mac, descriptor.mac, 6) == 0;
        bool broadcast = std::memcmp(m.mac, broadcast_mac, 6) == 0;
        if (!device.descriptor && (mac_matches || broadcast) && device.tx) {
            device.open = device.link = 0;
            device.descriptor = &descriptor;
            device.poll = adapter_poll;
            for (int i = 0; i < 2; ++i)
                std::memcpy(device.tx[i].data + 6, descriptor.mac, 6);
            attached = true;
        }
    }
    if (!attached)
        return nullptr;
    descriptor.device = &device;
    std::snprintf(descriptor.name, sizeof descriptor.name, "ec%c%u", 'm', m.index);
    return &device;
}

int master_device_open(master_device& device)
{
    if (!device.descriptor)
        return result::no_device;
    master_core& m = *device.owner;
    if (!device.open) {
        device.link = 1;
        int result = device.descriptor->open ? device.descriptor->open(*device.descriptor) : 0;
        if (result != 0)
            return result;
        device.open = 1;
    }
    m.phase = 1;
    m.fsm.slaves_responding = 0; // the first broadcast that sees any slave starts a scan
    m.stop = 0;
    m.timer->arm(m.send_interval_us);
    return 0;
}

void master_signal_request_done(master_core& m)
{
    // taken so that a caller between its state check and its wait cannot miss this
    {
        std::lock_guard lock(m.request_end_lock);
    }
    m.request_ended.notify_all();
}

void master_clear_slaves(master_core& m)
{
    m.dc_reference_clock = nullptr;
    m.busy_count = 0;
    m.request_cursor = 0;
    unsigned count = m.slave_count;
    for (unsigned i = 0; i < count; ++i)
        slave_release(m.slaves[i]);
    m.slave_count = 0;
    m.slaves.reset();
}

void master_clear(master_core& m)
{
    if (!m.stop) {
        m.stop = 1;
        // waits for a running tick; nothing a tick does waits on the caller
        if (m.timer)
            m.timer->kill();
    }
    {
        mutex_lock lock(m.master_lock);
        master_clear_slaves(m);
    }
    release_datagrams(m);

    master_device& device = m.main_device;
    if (device.open && device.descriptor && device.descriptor->close
        && device.descriptor->close(*device.descriptor) == 0)
        device.open = 0;
    if (device.descriptor)
        device.descriptor->device = nullptr;
    device.descriptor = nullptr;
    device.tx.reset();
}

} // namespace ecat
