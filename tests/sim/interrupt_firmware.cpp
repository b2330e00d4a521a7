#include "interrupt_firmware.h"

#include <algorithm>

namespace simtest {

namespace {

constexpr uint16_t event_register = 0x0220;
constexpr uint32_t event_al_control = 0x0001;
constexpr uint32_t event_sm_activation = 0x0010;
constexpr uint32_t event_sm0 = 0x0100;
constexpr uint32_t event_sm1 = 0x0200;
constexpr uint16_t sm0 = 0x0800;
constexpr uint16_t sm1 = 0x0808;
constexpr uint32_t served_events = event_al_control | event_sm_activation | event_sm0 | event_sm1;
constexpr unsigned service_limit = 8;
constexpr uint8_t init_state = 0x01;
constexpr size_t header_size = 6;

// The chip as this firmware reaches it: the event register is read back after every access.
class event_reading_pdi : public sim::pdi {
public:
    event_reading_pdi(sim::pdi& chip, uint32_t& events) : chip_(chip), events_(events) { refresh(); }

    bool read(uint16_t address, uint8_t* out, size_t length) override
    {
        bool done = chip_.read(address, out, length);
        refresh();
        return done;
    }
    bool write(uint16_t address, const uint8_t* data, size_t length) override
    {
        bool done = chip_.write(address, data, length);
        refresh();
        return done;
    }
    uint32_t event_request() const override { return events_; }

private:
    void refresh()
    {
        uint8_t bytes[4] = {};
        chip_.read(event_register, bytes, 4);
        events_ = uint32_t(bytes[0] | bytes[1] << 8 | bytes[2] << 16 | uint32_t(bytes[3]) << 24);
    }

    sim::pdi& chip_;
    uint32_t& events_;
};

} // namespace

interrupt_firmware::interrupt_firmware(const sim::slave_description& description, sim::slave_faults& faults)
    : dictionary_(description.objects),
      al_(description, faults),
      sdo_(dictionary_)
{
}

void interrupt_firmware::run(sim::pdi& chip)
{
    if (hung_)
        return;
    event_reading_pdi io(chip, events_);
    if (!powered_) {
        al_.power_up(io);
        powered_ = true;
    }
    // a level-triggered interrupt line: the service routine runs again while an event it serves
    // is pending, so a chip that never clears an event keeps the firmware in there for good
    for (unsigned pass = 0; events_ & served_events; ++pass) {
        if (pass == service_limit) {
            hung_ = true;
            return;
        }
        serve(io);
    }
    if (al_.state() != init_state)
        send_next(io);
}

void interrupt_firmware::serve(sim::pdi& io)
{
    if (events_ & event_al_control) {
        bool was_init = al_.state() == init_state;
        al_.on_control(io);
        if (was_init != (al_.state() == init_state))
            reset_mailbox();
    } else if (events_ & event_sm1) {
        acknowledge_read(io);
    } else if (events_ & event_sm_activation) {
        answer_repeat(io);
    } else if (events_ & event_sm0) {
        take_request(io);
    }
}

void interrupt_firmware::reset_mailbox()
{
    sdo_.reset();
    replies_.clear();
    in_send_mailbox_.clear();
    last_read_.clear();
    send_mailbox_free_ = true;
}

void interrupt_firmware::take_request(sim::pdi& io)
{
    std::vector<uint8_t> mailbox(io.read16(sm0 + 2));
    if (mailbox.size() < header_size || !io.read(io.read16(sm0), mailbox.data(), mailbox.size()))
        return;
    size_t length = std::min<size_t>(mailbox[0] | mailbox[1] << 8, mailbox.size() - header_size);
    if ((mailbox[5] & 0x0F) != 0x03)
        return; // CoE only; anything else goes unanswered
    size_t room = io.read16(sm1 + 2) - header_size;
    std::vector<std::vector<uint8_t>> answers;
    if (sdo_.handle(mailbox.data() + header_size, length, room, answers) != 0)
        return;
    for (std::vector<uint8_t>& answer : answers) {
        counter_ = uint8_t(counter_ % 7 + 1);
        std::vector<uint8_t> message = {uint8_t(answer.size()),       uint8_t(answer.size() >> 8), 0, 0, 0,
                                        uint8_t(0x03 | counter_ << 4)};
        message.insert(message.end(), answer.begin(), answer.end());
        replies_.push_back(std::move(message));
    }
}

void interrupt_firmware::acknowledge_read(sim::pdi& io)
{
    io.write8(io.read16(sm1), 0);
    last_read_ = in_send_mailbox_;
    send_mailbox_free_ = true;
}

void interrupt_firmware::answer_repeat(sim::pdi& io)
{
    uint8_t request = io.read8(sm1 + 6) & 0x02;
    uint8_t control = io.read8(sm1 + 7);
    if (request == (control & 0x02) || al_.state() == init_state)
        return;
    if (!send_mailbox_free_) {
        // the master has not read the newer reply: clear SM1 and send that reply afterwards
        io.write8(sm1 + 7, uint8_t(control | 0x01));
        io.write8(sm1 + 7, control);
        replies_.push_front(in_send_mailbox_);
        send_mailbox_free_ = true;
    }
    if (!last_read_.empty())
        fill_send_mailbox(io, last_read_);
    io.write8(sm1 + 7, uint8_t((control & ~0x02) | request));
}

void interrupt_firmware::send_next(sim::pdi& io)
{
    if (!send_mailbox_free_ || replies_.empty())
        return;
    fill_send_mailbox(io, replies_.front());
    replies_.pop_front();
}

void interrupt_firmware::fill_send_mailbox(sim::pdi& io, const std::vector<uint8_t>& message)
{
    std::vector<uint8_t> buffer(io.read16(sm1 + 2), 0);
    std::copy_n(message.begin(), std::min(message.size(), buffer.size()), buffer.begin());
    io.write(io.read16(sm1), buffer.data(), buffer.size());
    in_send_mailbox_ = message;
    send_mailbox_free_ = false;
}

} // namespace simtest
