#include <cstdio>
#include <cstring>

#include "ecat/master.h"
#include "platform/clock.h"

namespace ecat {

namespace {

constexpr size_t ethernet_header = 14;
constexpr size_t ethercat_header = 2;
constexpr size_t datagram_header = 10;
constexpr size_t working_counter_size = 2;
constexpr size_t max_ethercat_part = 1500;
constexpr size_t min_ethercat_part = 46; // a 60-byte frame without checksum
constexpr uint16_t more_follows = 0x8000;

} // namespace

void master_queue_datagram(master_core& m, datagram& d)
{
    if (d.queue_link.linked()) {
        ++d.skip_count;
        d.state = datagram_state::queued;
        return;
    }
    m.queue.push_back(d);
    d.state = datagram_state::queued;
}

void master_send_frames(master_core& m, int device_index, bool resend_unanswered)
{
    master_device& device = m.main_device;
    intrusive_list<datagram, &datagram::frame_link> frame;
    // a datagram still 'sent' from an earlier cycle goes out again with a new index
    m.queue.for_each([device_index, resend_unanswered](datagram& d) {
        if (d.device_index != device_index)
            return;
        if (d.state == datagram_state::sent && resend_unanswered)
            d.state = datagram_state::queued;
        // one that fits no frame fails, rather than blocking everything queued behind it
        if (d.state == datagram_state::queued && d.data_size > max_datagram_data) {
            d.state = datagram_state::error;
            d.queue_link.unlink();
        }
    });
    bool more_to_send = true;
    while (more_to_send) {
        more_to_send = false;
        uint8_t* buffer = nullptr;
        uint8_t* cursor = nullptr;
        uint8_t* previous_length_word = nullptr;
        size_t placed = 0; // datagram bytes (headers, data, counters) in this frame
        for (datagram* d = m.queue.front(); d; d = m.queue.next(*d)) {
            if (d->state != datagram_state::queued || d->device_index != device_index)
                continue;
            if (ethercat_header + placed + datagram_header + d->data_size + working_counter_size > max_ethercat_part) {
                more_to_send = true;
                break;
            }
            if (!buffer) {
                device.tx_toggle ^= 1;
                buffer = device.tx[device.tx_toggle].data;
                cursor = buffer + ethernet_header + ethercat_header;
            }
            frame.push_back(*d);
            d->index = m.datagram_index++;
            if (previous_length_word)
                previous_length_word[1] |= static_cast<uint8_t>(more_follows >> 8);
            cursor[0] = static_cast<uint8_t>(d->type);
            cursor[1] = static_cast<uint8_t>(d->index);
            std::memcpy(cursor + 2, d->address, 4);
            write_u16(cursor + 6, static_cast<uint16_t>(d->data_size & 0x07FF));
            previous_length_word = cursor + 6;
            write_u16(cursor + 8, 0);
            if (d->data_size)
                std::memcpy(cursor + datagram_header, d->data, d->data_size);
            write_u16(cursor + datagram_header + d->data_size, 0);
            size_t size = datagram_header + d->data_size + working_counter_size;
            cursor += size;
            placed += size;
        }
        if (frame.empty())
            return;
        write_u16(buffer + ethernet_header, static_cast<uint16_t>((placed & 0x07FF) | 0x1000));
        size_t ethercat_part = ethercat_header + placed;
        if (ethercat_part < min_ethercat_part) {
            std::memset(buffer + ethernet_header + ethercat_part, 0, min_ethercat_part - ethercat_part);
            ethercat_part = min_ethercat_part;
        }
        transmit_buffer& tx = device.tx[device.tx_toggle];
        tx.length = ethernet_header + ethercat_part;
        if (device.descriptor && device.descriptor->send)
            device.descriptor->send(frame_view{tx.length, tx.data}, *device.descriptor);
        uint32_t now = platform::tick_ms();
        while (datagram* d = frame.pop_front()) {
            d->state = datagram_state::sent;
            d->sent_time = now;
        }
    }
}

int master_receive_frame(master_core& m, const uint8_t* frame, size_t length)
{
    if (length < ethercat_header)
        return 0;
    size_t declared = read_u16(frame) & 0x07FF;
    if (declared > length)
        return 0;
    size_t offset = ethercat_header;
    int answered = 0;
    for (;;) {
        if (offset + datagram_header > length)
            return answered;
        const uint8_t* header = frame + offset;
        auto type = static_cast<datagram_type>(header[0]);
        uint8_t index = header[1];
        uint16_t length_word = read_u16(header + 6);
        size_t data_size = length_word & 0x07FF;
        if (offset + datagram_header + data_size + working_counter_size > length)
            return answered;
        const uint8_t* data = header + datagram_header;
        uint16_t working_counter = read_u16(data + data_size);

        datagram* match = nullptr;
        for (datagram* d = m.queue.front(); d; d = m.queue.next(*d))
            if (static_cast<uint8_t>(d->index) == index && d->state == datagram_state::sent && d->type == type
                && d->data_size == data_size) {
                match = d;
                break;
            }
        if (match) {
            if (!datagram_type_is_write(type) && data_size)
                std::memcpy(match->data, data, data_size);
            match->working_counter = working_counter;
            match->state = datagram_state::received;
            match->received_time = m.main_device.poll_time;
            match->queue_link.unlink();
            ++answered;
        }
        offset += datagram_header + data_size + working_counter_size;
        if (!(length_word & more_follows))
            return answered;
    }
}

void master_timeout_datagrams(master_core& m)
{
    m.queue.for_each([](datagram& d) {
        if (d.state != datagram_state::sent)
            return;
        d.queue_link.unlink();
        d.state = datagram_state::timed_out;
    });
}

bool master_has_sent_datagrams(master_core& m)
{
    for (datagram* d = m.queue.front(); d; d = m.queue.next(*d))
        if (d->state == datagram_state::sent)
            return true;
    return false;
}

} // namespace ecat
