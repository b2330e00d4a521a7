#include "sim/firmware/mailbox_handler.h"

#include <algorithm>

#include "sim/chip/byte_order.h"
#include "sim/chip/esc_registers.h"
#include "sim/firmware/mailbox_error.h"

namespace sim {

namespace {

constexpr size_t header_size = 6;
constexpr uint8_t type_error = 0x00;
constexpr uint8_t type_coe = 0x03;
constexpr uint16_t error_service = 0x0001;
// a slave keeps a bounded number of unsent replies, as its memory is bounded
constexpr size_t outbox_limit = 16;

uint16_t sm_register(unsigned n, unsigned byte)
{
    return uint16_t(reg::sync_manager_base + n * reg::sync_manager_size + byte);
}

} // namespace

mailbox_handler::mailbox_handler(const slave_description& description, object_dictionary& dictionary,
                                 slave_faults& faults)
    : description_(description),
      faults_(faults),
      sdo_server_(dictionary)
{
}

void mailbox_handler::reset()
{
    sdo_server_.reset();
    outbox_.clear();
    in_send_mailbox_.clear();
    read_by_master_.clear();
    last_counter_ = 0;
}

void mailbox_handler::run(pdi& chip, bool in_boot)
{
    ++pass_;
    uint16_t send_length = chip.read16(sm_register(1, reg::sm_length));
    send_room_ = send_length > header_size ? send_length - header_size : 0;
    while (!faults_.pending_emergencies.empty()) {
        post(type_coe, coe_sdo_server::emergency(faults_.pending_emergencies.front()));
        faults_.pending_emergencies.pop_front();
    }
    if (chip.read8(sm_register(0, reg::sm_status)) & reg::sm_status_mailbox_full) {
        std::vector<uint8_t> mailbox(chip.read16(sm_register(0, reg::sm_length)));
        if (chip.read(chip.read16(sm_register(0, reg::sm_start)), mailbox.data(), mailbox.size()))
            take_request(mailbox, in_boot);
    }
    answer_repeat_request(chip);
    deliver(chip);
}

void mailbox_handler::take_request(const std::vector<uint8_t>& mailbox, bool in_boot)
{
    if (mailbox.size() < header_size)
        return post_error(mailbox_error::size_too_short);
    size_t length = get16(mailbox.data());
    uint8_t channel = mailbox[4] & 0x3F;
    uint8_t type = mailbox[5] & 0x0F;
    uint8_t counter = (mailbox[5] >> 4) & 0x07;
    // a repeated counter marks a mailbox the master sent again: it has been served already
    if (counter != 0 && counter == last_counter_) {
        ++repeats_ignored_;
        return;
    }
    last_counter_ = counter;
    if (length > mailbox.size() - header_size)
        return post_error(mailbox_error::invalid_size);
    if (length == 0)
        return post_error(mailbox_error::size_too_short);
    if (channel != 0)
        return post_error(mailbox_error::invalid_channel);
    if (faults_.mailbox_errors > 0) {
        --faults_.mailbox_errors;
        return post_error(faults_.mailbox_error_code);
    }
    bool coe_available = (description_.mailbox_protocols & mailbox_protocol::coe) && !in_boot;
    if (type == type_error)
        return post_error(mailbox_error::syntax);
    if (type != type_coe || !coe_available)
        return post_error(mailbox_error::unsupported_protocol);
    if (faults_.emergencies_during_transfer > 0) {
        --faults_.emergencies_during_transfer;
        post(type_coe, coe_sdo_server::emergency({0xFF00, 0x80, {0x51, 0x4B, 0x00, 0x00, 0x00}}));
    }
    std::vector<std::vector<uint8_t>> replies;
    if (uint16_t error = sdo_server_.handle(mailbox.data() + header_size, length, send_room_, replies))
        return post_error(error);
    for (std::vector<uint8_t>& reply : replies)
        post(type_coe, std::move(reply));
}

void mailbox_handler::post_error(uint16_t code)
{
    std::vector<uint8_t> detail(4);
    put16(detail.data(), error_service);
    put16(detail.data() + 2, code);
    post(type_error, std::move(detail));
}

void mailbox_handler::post(uint8_t type, std::vector<uint8_t> service_data)
{
    if (outbox_.size() >= outbox_limit || service_data.size() > send_room_)
        return;
    send_counter_ = uint8_t(send_counter_ % 7 + 1);
    std::vector<uint8_t> message(header_size, 0);
    put16(message.data(), uint16_t(service_data.size()));
    message[5] = uint8_t(type | send_counter_ << 4);
    message.insert(message.end(), service_data.begin(), service_data.end());
    outbox_.push_back({std::move(message), pass_ + faults_.mailbox_answer_delay});
}

void mailbox_handler::deliver(pdi& chip)
{
    if (outbox_.empty() || outbox_.front().ready_pass > pass_
        || (chip.read8(sm_register(1, reg::sm_status)) & reg::sm_status_mailbox_full))
        return;
    if (!fill_send_mailbox(chip, outbox_.front().message))
        return;
    read_by_master_ = std::move(in_send_mailbox_);
    in_send_mailbox_ = std::move(outbox_.front().message);
    outbox_.pop_front();
}

void mailbox_handler::answer_repeat_request(pdi& chip)
{
    uint8_t request = chip.read8(sm_register(1, reg::sm_activate)) & reg::sm_activate_repeat_request;
    uint8_t control = chip.read8(sm_register(1, reg::sm_pdi_control));
    if (request == (control & reg::sm_pdi_repeat_ack))
        return;
    if (chip.read8(sm_register(1, reg::sm_status)) & reg::sm_status_mailbox_full) {
        // a newer reply waits unread: take it back, it follows the repeated one
        chip.write8(sm_register(1, reg::sm_pdi_control), uint8_t(control | reg::sm_pdi_deactivate));
        chip.write8(sm_register(1, reg::sm_pdi_control), control);
        outbox_.push_front({std::move(in_send_mailbox_), pass_});
        in_send_mailbox_ = std::move(read_by_master_);
        read_by_master_.clear();
    }
    if (!in_send_mailbox_.empty())
        fill_send_mailbox(chip, in_send_mailbox_);
    chip.write8(sm_register(1, reg::sm_pdi_control), uint8_t((control & ~reg::sm_pdi_repeat_ack) | request));
}

bool mailbox_handler::fill_send_mailbox(pdi& chip, const std::vector<uint8_t>& message)
{
    // the whole buffer is written so that its last byte hands it to the master
    std::vector<uint8_t> buffer(chip.read16(sm_register(1, reg::sm_length)), 0);
    std::copy_n(message.begin(), std::min(buffer.size(), message.size()), buffer.begin());
    return !buffer.empty() && chip.write(chip.read16(sm_register(1, reg::sm_start)), buffer.data(), buffer.size());
}

} // namespace sim
