#include "app/poll_procedures.h"

#include <chrono>
#include <cstring>
#include <thread>

#include "card/card_ops.h"
#include "card/polled_values.h"
#include "app/worker_host.h"
#include "pages/logic/can_log_lines.h"
#include "ecat/master.h"
#include "ecat/sdo_api.h"

polled_values& shared_polled_values()
{
    static polled_values values;
    return values;
}

namespace {

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
    template <typename T> void fetch(polled<T>& entry, uint16_t index, uint8_t subindex)
    {
        T value = entry.load(std::memory_order_relaxed);
        uint8_t bytes[sizeof(T)];
        std::memcpy(bytes, &value, sizeof(T));
        size_t size = 0;
        if (ecat::master_sdo_upload(master(), position(), index, subindex, bytes, sizeof(T), &size, nullptr) != 0)
            return;
        std::memcpy(&value, bytes, sizeof(T));
        entry.store(value, std::memory_order_relaxed);
    }

    // fetch, then false when the slot was asked to stop
    template <typename T> bool read(polled<T>& entry, uint16_t index, uint8_t subindex)
    {
        fetch(entry, index, subindex);
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
    if (!p.read(v.inputs, 0x2000, 0) || !p.read(v.outputs, 0x2300, 0))
        return;
    for (uint8_t i = 0; i < 2; ++i)
        if (!p.read(v.comparator_states[i], 0x3030, uint8_t(i + 1)))
            return;
    if (!p.read(v.object_3031, 0x3031, 0))
        return;
    for (uint8_t i = 0; i < 2; ++i)
        if (!p.read(v.comparator_thresholds[i], 0x3032, uint8_t(i + 1)))
            return;
    if (!p.read(v.object_3033, 0x3033, 0))
        return;
    for (uint16_t i = 0; i < 4; ++i)
        if (!p.read(v.comparator_inputs[i], uint16_t(0x2010 + i), 0))
            return;
    for (uint8_t i = 0; i < 4; ++i)
        if (!p.read(v.comparator_latch_settings[i], 0x3038, uint8_t(i + 1)))
            return;
    for (uint8_t i = 0; i < 4; ++i)
        if ((v.comparator_latch_settings[i] & 1) && !p.read(v.comparator_latches[i], 0x3039, uint8_t(i + 1)))
            break; // a stop here ends only the latch reads
    if (!p.read(v.object_3034, 0x3034, 0))
        return;
    for (uint16_t i = 0; i < 3; ++i)
        if (!p.read(v.analog_outputs[i], uint16_t(0x2310 + i), 0))
            return;
    p.fetch(v.analog_outputs[3], 0x2313, 0);
    p.read(v.encoder, 0x2020, 0);
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
    (void)(p.read(v.inputs, 0x2000, 0) && p.read(v.outputs, 0x2300, 0) && p.read(v.analog_inputs[0], 0x2010, 0)
           && p.read(v.analog_inputs[1], 0x2011, 0) && p.read(v.analog_outputs[0], 0x2310, 0));
    return true;
}

void kova_h_io_objects(poller& p)
{
    polled_values& v = p.values();
    if (!p.read(v.inputs, 0x2000, 0) || !p.read(v.outputs, 0x2300, 0))
        return;
    for (uint16_t i = 0; i < 4; ++i)
        if (!p.read(v.analog_inputs[i], uint16_t(0x2010 + i), 0))
            return;
    for (uint16_t i = 0; i < 2; ++i)
        if (!p.read(v.analog_outputs[i], uint16_t(0x2310 + i), 0))
            return;
    for (uint16_t i = 0; i < 2; ++i)
        if (!p.read(v.pwm_frequencies[i], uint16_t(0x2320 + i), 0))
            return;
    for (uint16_t i = 0; i < 2; ++i)
        if (!p.read(v.pwm_duties[i], uint16_t(0x2330 + i), 0))
            return;
    (void)(p.read(v.counter, 0x2030, 0) && p.read(v.encoder, 0x2020, 0));
}

// One Modbus channel: entry object, then data object and its subindex.
bool modbus_channel(poller& p, modbus_channel_values& c, uint16_t entry, uint16_t data_object, uint8_t data_subindex)
{
    return p.read(c.status, entry, 1) && p.read(c.data, data_object, data_subindex) && p.read(c.address, entry, 2)
        && p.read(c.bit_count, entry, 3) && p.read(c.slave_id, entry, 4) && p.read(c.register_type, entry, 5)
        && p.read(c.run, entry, 6) && p.read(c.timeout_count, entry, 7);
}

void modbus_objects(poller& p)
{
    polled_values& v = p.values();
    for (uint16_t i = 0; i < 8; ++i) {
        uint8_t subindex = uint8_t(i + 1);
        if (!modbus_channel(p, v.modbus_tx[i], uint16_t(0x3000 + i), 0x2602, subindex)
            || !modbus_channel(p, v.modbus_rx[i], uint16_t(0x3020 + i), 0x2603, subindex))
            return;
    }
}

void usart_step(poller& p)
{
    worker_host& host = p.host();
    card::transfer_result result =
        card::usart_receive_step(p.master(), p.position(), [&host](const uint8_t* data, size_t length) {
            host.usart_received(std::vector<uint8_t>(data, data + length));
        });
    // a card that does not answer fails every step: only a block it announced and could not
    // hand over is worth a line
    bool announced_block = result.index == 0x2603 || (result.index == 0x2601 && result.subindex == 4);
    if (!result.ok() && announced_block)
        host.usart_receive_failed(QString::fromStdString("接收失败：" + card::failure_text(result)));
}

void can_step(poller& p)
{
    if (card::can_pending(p.master(), p.position()) < 1)
        return;
    card::can_frame frame;
    card::transfer_result result = card::can_receive(p.master(), p.position(), frame);
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
    if (!p.read(v.ain24_status, 0x3029, 1))
        return true;
    for (uint8_t i = 0; i < 16; ++i)
        if (!p.read(v.ain24_inputs[i], 0x3028, uint8_t(i + 1)))
            return true;
    for (uint8_t i = 0; i < 16; ++i)
        if (!p.read(v.ain24_latch_settings[i], 0x3036, uint8_t(i + 1)))
            return true;
    for (uint8_t i = 0; i < 16; ++i)
        if ((v.ain24_latch_settings[i] & 1) && !p.read(v.ain24_latches[i], 0x3037, uint8_t(i + 1)))
            return true;
    p.read(v.crc_errors, 0x3061, 0);
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
