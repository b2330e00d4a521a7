#include "app/poll_procedures.h"

#include <chrono>
#include <cstring>
#include <thread>

#include "app/worker_host.h"
#include "card/card_ops.h"
#include "card/polled_values.h"
#include "card/sdo_numbers.h"
#include "ecat/master.h"
#include "pages/logic/can_log_lines.h"
#include "protocol/analog.h"
#include "protocol/counter.h"
#include "protocol/io.h"
#include "protocol/latch.h"
#include "protocol/modbus.h"
#include "protocol/usart.h"

namespace {

using protocol::object;
namespace io = protocol::io;
namespace counter = protocol::counter;
namespace latch = protocol::latch;
namespace analog = protocol::analog;
namespace modbus = protocol::modbus;

// The uploads of one procedure, each with the master and the selection of the moment.
class poller {
public:
    poller(CTQRThread& slot, worker_host& host) : slot_(slot), host_(host) { }

    polled_values& values() { return host_.values(); }
    ecat::master& master() { return host_.master(); }
    uint16_t position() const { return uint16_t(host_.selected_slave()); }
    bool slave_present() const
    {
        int selected = host_.selected_slave();
        return selected >= 0 && unsigned(selected) < host_.master().slave_count();
    }
    bool stop_requested() const { return slot_.stop_requested(); }
    worker_host& host() { return host_; }

    // Replaces the entry when the upload succeeds; a shorter answer replaces only its bytes.
    template <typename T> void fetch(polled<T>& entry, const object& o)
    {
        static_assert(sizeof(T) <= 4);
        T value = entry.load(std::memory_order_relaxed);
        uint8_t bytes[4];
        std::memcpy(bytes, &value, sizeof(T));
        size_t size = 0;
        // the entry's size, whatever the object's: the block's layout is the pages' contract
        const object sized{o.index, o.subindex, uint8_t(sizeof(T)), o.meaning};
        if (!card::read_object_bytes(master(), position(), sized, bytes, size).ok())
            return;
        std::memcpy(&value, bytes, sizeof(T));
        entry.store(value, std::memory_order_relaxed);
    }

    // fetch, then false when the slot was asked to stop
    template <typename T> bool read(polled<T>& entry, const object& o)
    {
        fetch(entry, o);
        return !stop_requested();
    }

private:
    CTQRThread& slot_;
    worker_host& host_;
};

using pass_function = bool (*)(poller& p, int tab); // false: the tab is not served

int poll_loop(CTQRThread& slot, worker_host& host, pass_function pass)
{
    poller p(slot, host);
    if (!p.slave_present())
        return 0;
    while (!slot.stop_requested()) {
        // an absent slave would fail every upload at once: wait for it instead of spinning
        if (!p.slave_present() || !pass(p, host.current_tab()))
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return 0;
}

void io_objects(poller& p)
{
    polled_values& v = p.values();
    if (!p.read(v.inputs, io::digital_inputs) || !p.read(v.outputs, io::digital_outputs))
        return;
    for (int i = 0; i < 2; ++i)
        if (!p.read(v.comparator_states[i], latch::comparator_state(i)))
            return;
    if (!p.read(v.comparator_configuration, latch::comparator_configuration))
        return;
    for (int i = 0; i < 2; ++i)
        if (!p.read(v.comparator_thresholds[i], latch::comparator_threshold(i)))
            return;
    if (!p.read(v.comparator_outputs, latch::comparator_outputs))
        return;
    for (int i = 0; i < 4; ++i)
        if (!p.read(v.comparator_inputs[i], io::analog_input(i)))
            return;
    for (int i = 0; i < 4; ++i)
        if (!p.read(v.comparator_latch_settings[i], latch::comparator_latch_configuration(i)))
            return;
    for (int i = 0; i < 4; ++i)
        if ((v.comparator_latch_settings[i] & latch::latch_enabled)
            && !p.read(v.comparator_latches[i], latch::comparator_latch(i)))
            break; // a stop here ends only the latch reads
    if (!p.read(v.encoder_configuration, counter::encoder_configuration))
        return;
    for (int i = 0; i < 3; ++i)
        if (!p.read(v.analog_outputs[i], io::analog_output(i)))
            return;
    p.fetch(v.analog_outputs[3], io::analog_output(3));
    p.read(v.encoder, counter::encoder);
}

bool io_pass(poller& p, int tab)
{
    if (tab != 0)
        return false;
    io_objects(p);
    return true;
}

bool kova_16io_pass(poller& p, int tab)
{
    if (tab != 0)
        return false;
    polled_values& v = p.values();
    (void)(p.read(v.inputs, io::digital_inputs) && p.read(v.outputs, io::digital_outputs)
           && p.read(v.analog_inputs[0], io::analog_input(0)) && p.read(v.analog_inputs[1], io::analog_input(1))
           && p.read(v.analog_outputs[0], io::analog_output(0)));
    return true;
}

void kova_h_io_objects(poller& p)
{
    polled_values& v = p.values();
    if (!p.read(v.inputs, io::digital_inputs) || !p.read(v.outputs, io::digital_outputs))
        return;
    for (int i = 0; i < 4; ++i)
        if (!p.read(v.analog_inputs[i], io::analog_input(i)))
            return;
    for (int i = 0; i < 2; ++i)
        if (!p.read(v.analog_outputs[i], io::analog_output(i)))
            return;
    for (int i = 0; i < 2; ++i)
        if (!p.read(v.pwm_frequencies[i], counter::pwm_frequency(i)))
            return;
    for (int i = 0; i < 2; ++i)
        if (!p.read(v.pwm_duties[i], counter::pwm_duty(i)))
            return;
    (void)(p.read(v.counter, counter::counter) && p.read(v.encoder, counter::encoder));
}

// One Modbus channel: status, its data word, then the rest of the channel.
bool modbus_channel(poller& p, modbus_channel_values& c, const modbus::channel& channel, const object& data)
{
    return p.read(c.status, channel.status()) && p.read(c.data, data) && p.read(c.address, channel.register_address())
        && p.read(c.bit_count, channel.bit_count()) && p.read(c.slave_id, channel.slave_id())
        && p.read(c.register_type, channel.register_type()) && p.read(c.run, channel.run())
        && p.read(c.timeout_count, channel.timeout_count());
}

void modbus_objects(poller& p)
{
    polled_values& v = p.values();
    for (int i = 0; i < modbus::channel_count; ++i) {
        if (!modbus_channel(p, v.modbus_tx[i], modbus::tx_channel(i), modbus::tx_data(i))
            || !modbus_channel(p, v.modbus_rx[i], modbus::rx_channel(i), modbus::rx_data(i)))
            return;
    }
}

void usart_step(poller& p)
{
    worker_host& host = p.host();
    card::transfer_result result = card::usart_receive_step(
        p.master(), p.position(), host.counters(), [&host](const uint8_t* data, size_t length) {
            host.usart_received(std::vector<uint8_t>(data, data + length));
        });
    // a card that does not answer fails every step: only a block it announced and could not
    // hand over is worth a line
    const object& length = protocol::usart::received_block_length;
    bool announced_block = result.index == protocol::usart::received_data(0).index
        || (result.index == length.index && result.subindex == length.subindex);
    if (!result.ok() && announced_block)
        host.usart_receive_failed(QString::fromStdString("接收失败：" + card::failure_text(result)));
}

void can_step(poller& p)
{
    if (card::can_pending(p.master(), p.position()) < 1)
        return;
    card::can_frame frame;
    card::transfer_result result = card::can_receive(p.master(), p.position(), p.host().counters(), frame);
    p.host().can_log(QString::fromStdString(result.ok() ? page_logic::can_rx_line(frame)
                                                        : "接收失败：" + card::failure_text(result)));
}

bool kova_h_pass(poller& p, int tab)
{
    switch (tab) {
    case 0: kova_h_io_objects(p); return true;
    case 1: usart_step(p); return true;
    case 2: modbus_objects(p); return true;
    case 5: can_step(p); return true;
    default: return false;
    }
}

bool ain24_pass(poller& p, int tab)
{
    if (tab != 0)
        return false;
    polled_values& v = p.values();
    if (!p.read(v.ain24_status, analog::ad_mode))
        return true;
    for (int i = 0; i < analog::ad24_count; ++i)
        if (!p.read(v.ain24_inputs[i], analog::ad24_input(i)))
            return true;
    for (int i = 0; i < latch::ad_latch_count; ++i)
        if (!p.read(v.ain24_latch_settings[i], latch::ad_latch_configuration(i)))
            return true;
    for (int i = 0; i < latch::ad_latch_count; ++i)
        if ((v.ain24_latch_settings[i] & latch::latch_enabled) && !p.read(v.ain24_latches[i], latch::ad_latch(i)))
            return true;
    p.read(v.crc_errors, analog::ad_crc_errors);
    return true;
}

} // namespace

int io_poll(CTQRThread& slot, worker_host& host)
{
    return poll_loop(slot, host, io_pass);
}

int kova_h_poll(CTQRThread& slot, worker_host& host)
{
    return poll_loop(slot, host, kova_h_pass);
}

int kova_16io_poll(CTQRThread& slot, worker_host& host)
{
    return poll_loop(slot, host, kova_16io_pass);
}

int ain24_poll(CTQRThread& slot, worker_host& host)
{
    return poll_loop(slot, host, ain24_pass);
}

CTQRThread::procedure_type poll_procedure_for(poll_kind kind)
{
    switch (kind) {
    case poll_kind::kova_h: return kova_h_poll;
    case poll_kind::kova_16io: return kova_16io_poll;
    case poll_kind::io: break;
    }
    return io_poll;
}
