#include "ecat/adapter.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "ecat/master.h"
#include "platform/raw_port.h"

namespace ecat {

namespace {

struct registered_wire {
    std::string name;
    uint8_t mac[6];
    std::shared_ptr<platform::frame_link> wire;
};

constexpr size_t packet_buffer_size = 2048;
constexpr int lock_wait_ms = 1000;
constexpr int empty_attempts = 8;

std::vector<registered_wire>& registered_wires()
{
    static std::vector<registered_wire> wires;
    return wires;
}

struct adapter_table {
    std::vector<std::unique_ptr<adapter_entry>> entries;
    bool built = false;
};

adapter_table& table()
{
    static adapter_table the_table;
    return the_table;
}

std::atomic<frame_tap*> current_tap{nullptr};

std::string& last_error()
{
    static std::string text;
    return text;
}

std::unique_ptr<platform::named_lock> make_lock(int index)
{
    char name[64];
    std::snprintf(name, sizeof name, "Global\\_DV_TQR_ECAT_DLL_MUTEX_%d_", index);
    return std::make_unique<platform::named_lock>(name);
}

} // namespace

void adapter_register_wire(const std::string& name, const uint8_t mac[6], std::shared_ptr<platform::frame_link> wire)
{
    registered_wire entry{name, {}, std::move(wire)};
    std::memcpy(entry.mac, mac, 6);
    registered_wires().push_back(std::move(entry));
}

void adapter_unregister_wires()
{
    registered_wires().clear();
}

int adapter_list_refresh()
{
    // an open descriptor points at its entry: rebuilding the table would free it under the cycle
    for (auto& entry : table().entries)
        if (entry->open_count > 0)
            return result::adapter_open;
    adapter_release_all();
    std::vector<platform::interface_info> interfaces;
    std::string error;
    if (!platform::list_ethernet_interfaces(interfaces, error)) {
        last_error() = error;
        return result::adapter_enumeration;
    }
    auto& entries = table().entries;
    for (auto& info : interfaces) {
        auto entry = std::make_unique<adapter_entry>();
        entry->device = info.device;
        entry->library_description = info.description;
        if (info.has_mac)
            std::memcpy(entry->mac, info.mac.data(), 6);
        entry->description = info.description.empty() ? info.device : info.device + " (" + info.description + ")";
        entries.push_back(std::move(entry));
    }
    for (auto& wire : registered_wires()) {
        auto entry = std::make_unique<adapter_entry>();
        entry->device = wire.name;
        entry->description = wire.name;
        std::memcpy(entry->mac, wire.mac, 6);
        entry->wire = wire.wire;
        entries.push_back(std::move(entry));
    }
    for (size_t i = 0; i < entries.size(); ++i) {
        auto& entry = *entries[i];
        // an in-process wire is no system resource another process could read: no lock
        if (!entry.wire)
            entry.lock = make_lock(static_cast<int>(i));
        // slaves set the locally administered bit on what they pass back: where our
        // own MAC already has it, a reply carries our MAC and the MAC test cannot be used
        entry.mac_filter_safe = (entry.mac[0] & 0x02) == 0;
    }
    table().built = true;
    return 0;
}

int adapter_count()
{
    return static_cast<int>(table().entries.size());
}

adapter_entry* adapter_get(int index)
{
    auto& entries = table().entries;
    if (index < 0 || index >= static_cast<int>(entries.size()))
        return nullptr;
    return entries[static_cast<size_t>(index)].get();
}

int adapter_get_name(int index, std::string& name)
{
    if (adapter_count() == 0)
        adapter_list_refresh();
    adapter_entry* entry = adapter_get(index);
    if (!entry)
        return result::adapter_index;
    name = !entry->description.empty() ? entry->description : entry->library_description;
    return 0;
}

void adapter_release_all()
{
    for (auto& entry : table().entries) {
        entry->open_count = 0;
        entry->handle = nullptr;
        entry->capture.reset();
    }
    table().entries.clear();
    table().built = false;
}

const std::string& adapter_last_error()
{
    return last_error();
}

int adapter_open(net_device& descriptor)
{
    if (adapter_count() == 0)
        adapter_list_refresh();
    adapter_entry* entry = adapter_get(descriptor.adapter_index);
    if (!entry)
        return result::adapter_unknown;
    entry->receive_timeout_ms =
        descriptor.receive_timeout_ms > 0 ? static_cast<unsigned>(descriptor.receive_timeout_ms) : 1;
    if (entry->open_count == 0) {
        if (!entry->packet) {
            entry->packet.reset(new uint8_t[packet_buffer_size]);
            entry->packet_capacity = packet_buffer_size;
        }
        if (entry->wire) {
            entry->handle = entry->wire.get();
        } else {
            std::string error;
            std::unique_ptr<platform::frame_link> capture = platform::open_raw_port(entry->device, error);
            if (!capture) {
                last_error() = error;
                return result::adapter_open;
            }
            entry->capture = std::move(capture);
            entry->handle = entry->capture.get();
        }
    }
    descriptor.entry = entry;
    ++entry->open_count;
    return 0;
}

int adapter_close(net_device& descriptor)
{
    adapter_entry* entry = adapter_get(descriptor.adapter_index);
    if (!entry)
        return 0;
    if (entry->open_count == 0)
        return result::adapter_open;
    if (--entry->open_count > 0)
        return 0;
    bool locked = entry->lock && entry->lock->lock(lock_wait_ms) == platform::wait_result::signalled;
    entry->handle = nullptr;
    entry->capture.reset();
    if (locked)
        entry->lock->unlock();
    return 0;
}

void adapter_set_tap(frame_tap* tap)
{
    current_tap = tap;
}

int adapter_send(const frame_view& frame, net_device& descriptor)
{
    adapter_entry* entry = descriptor.entry;
    if (frame.length && entry && entry->handle) {
        entry->handle->send(frame.data, frame.length);
        if (frame_tap* tap = current_tap.load())
            tap->frame(frame.data, frame.length, true);
    }
    return 0;
}

namespace {

// One receive attempt of at most limit; a zero limit only looks.
int receive_within(adapter_entry& entry, const uint8_t*& data, size_t& length, std::chrono::microseconds limit)
{
    bool locked = entry.lock && entry.lock->lock(lock_wait_ms) == platform::wait_result::signalled;
    auto start = std::chrono::steady_clock::now();
    int result = 0;
    while (entry.handle) {
        auto elapsed = std::chrono::steady_clock::now() - start;
        auto left = std::chrono::duration_cast<std::chrono::microseconds>(limit - elapsed).count();
        int received =
            entry.handle->receive(entry.packet.get(), entry.packet_capacity, left > 0 ? static_cast<int>(left) : 0);
        if (received > 0) {
            entry.packet_length = static_cast<size_t>(received);
            data = entry.packet.get();
            length = entry.packet_length;
            result = 1;
            break;
        }
        result = received < 0 ? -1 : 0;
        if (received < 0 || std::chrono::steady_clock::now() - start >= limit)
            break;
    }
    if (locked)
        entry.lock->unlock();
    return result;
}

} // namespace

void adapter_poll(net_device& descriptor)
{
    adapter_entry* entry = descriptor.entry;
    master_device* device = descriptor.device;
    if (!entry || !device)
        return;
    master_core& m = *device->owner;
    // the cycle polls through the device's pointer, holding the lock
    m.send_receive_lock.assert_held();
    // with nothing on the wire, one look without waiting is enough
    bool awaiting = master_has_sent_datagrams(m);
    int attempts_left = awaiting ? empty_attempts : 1;
    auto limit = awaiting ? std::chrono::microseconds(std::chrono::milliseconds(entry->receive_timeout_ms))
                          : std::chrono::microseconds(0);
    // Whatever arrives, the poll ends within one response wait: a reply not in by then is
    // late, and the timeout of its datagram deals with it. Waiting several response waits
    // for a lost frame stalled the whole cycle (80 ms a loss at the CLI's 10 ms), and with
    // it every other slave's traffic and every scan.
    auto deadline = std::chrono::steady_clock::now() + limit;
    while (attempts_left > 0) {
        const uint8_t* packet = nullptr;
        size_t length = 0;
        auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - std::chrono::steady_clock::now());
        if (receive_within(*entry, packet, length, std::max(left, std::chrono::microseconds(0))) != 1) {
            --attempts_left;
            if (std::chrono::steady_clock::now() >= deadline)
                return;
            continue;
        }
        bool own = entry->mac_filter_safe && length >= 12 && std::memcmp(packet + 6, entry->mac, 6) == 0;
        if (length >= 14 && !own && packet[12] == 0x88 && packet[13] == 0xA4) {
            if (frame_tap* tap = current_tap.load())
                tap->frame(packet, length, false);
            // a frame that answers none of ours (another master, a mirror port) costs an attempt
            if (master_receive_frame(m, packet + 14, length - 14) == 0)
                --attempts_left;
            else if (!master_has_sent_datagrams(m))
                return; // every frame of the last send is taken in this poll, not one per tick
        }
        if (std::chrono::steady_clock::now() >= deadline)
            return;
    }
}

int net_device_fill(net_device& descriptor, int index, int receive_timeout_ms)
{
    if (adapter_count() == 0)
        adapter_list_refresh();
    adapter_entry* entry = adapter_get(index);
    if (!entry)
        return result::adapter_index;
    descriptor.adapter_index = index;
    descriptor.receive_timeout_ms = receive_timeout_ms;
    descriptor.entry = entry;
    std::memcpy(descriptor.mac, entry->mac, 6);
    descriptor.send = adapter_send;
    descriptor.open = adapter_open;
    descriptor.close = adapter_close;
    descriptor.self = &descriptor;
    return 0;
}

} // namespace ecat
