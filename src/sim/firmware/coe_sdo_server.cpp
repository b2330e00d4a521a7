#include "sim/firmware/coe_sdo_server.h"

#include <algorithm>

#include "sim/chip/byte_order.h"
#include "sim/firmware/mailbox_error.h"
#include "sim/firmware/sdo_abort.h"

namespace sim {

namespace {

constexpr uint8_t service_emergency = 1;
constexpr uint8_t service_sdo_request = 2;
constexpr uint8_t service_sdo_response = 3;

constexpr uint8_t ccs_download_segment = 0;
constexpr uint8_t ccs_initiate_download = 1;
constexpr uint8_t ccs_initiate_upload = 2;
constexpr uint8_t ccs_upload_segment = 3;
constexpr uint8_t ccs_abort = 4;

constexpr uint8_t size_indicated = 0x01;
constexpr uint8_t expedited = 0x02;
constexpr uint8_t complete_access = 0x10;
constexpr uint8_t toggle_bit = 0x10;
constexpr uint8_t last_segment = 0x01;

// an SDO message is at least the CoE header, command, index, subindex and four data bytes
constexpr size_t sdo_size = 10;
// CoE header and command byte in front of segment data
constexpr size_t segment_overhead = 3;

std::vector<uint8_t> sdo_message(uint8_t service, uint8_t command, uint16_t index, uint8_t subindex)
{
    std::vector<uint8_t> m(sdo_size, 0);
    put16(m.data(), uint16_t(service << 12));
    m[2] = command;
    put16(m.data() + 3, index);
    m[5] = subindex;
    return m;
}

} // namespace

coe_sdo_server::coe_sdo_server(object_dictionary& dictionary) : dictionary_(dictionary) { }

void coe_sdo_server::reset()
{
    download_ = {};
    upload_ = {};
}

uint16_t coe_sdo_server::handle(const uint8_t* message, size_t length, size_t room,
                                std::vector<std::vector<uint8_t>>& replies)
{
    if (length < 2)
        return mailbox_error::size_too_short;
    if (get16(message) >> 12 != service_sdo_request)
        return mailbox_error::service_not_supported;
    if (length < sdo_size || room < sdo_size)
        return mailbox_error::size_too_short;
    std::vector<uint8_t> reply;
    uint8_t command = message[2];
    switch (command >> 5) {
    case ccs_initiate_download: initiate_download(message, length, reply); break;
    case ccs_download_segment: download_segment(message, length, reply); break;
    case ccs_initiate_upload: initiate_upload(message, room, reply); break;
    case ccs_upload_segment: upload_segment(message, room, reply); break;
    case ccs_abort:
        reset(); // the client gave up; an abort is never answered
        return 0;
    default: abort(get16(message + 3), message[5], sdo_abort::command_specifier_unknown, reply); break;
    }
    replies.push_back(std::move(reply));
    return 0;
}

void coe_sdo_server::abort(uint16_t index, uint8_t subindex, uint32_t code, std::vector<uint8_t>& reply)
{
    reply = sdo_message(service_sdo_request, uint8_t(ccs_abort << 5), index, subindex);
    put32(reply.data() + 6, code);
}

void coe_sdo_server::initiate_download(const uint8_t* message, size_t length, std::vector<uint8_t>& reply)
{
    reset();
    uint8_t command = message[2];
    uint16_t index = get16(message + 3);
    uint8_t subindex = message[5];
    if (command & complete_access)
        return abort(index, subindex, sdo_abort::unsupported_access, reply);
    if (uint32_t code = dictionary_.check_access(index, subindex, true))
        return abort(index, subindex, code, reply);
    reply = sdo_message(service_sdo_response, 0x60, index, subindex);
    if (command & expedited) {
        size_t size = command & size_indicated ? 4 - ((command >> 2) & 3)
                                               : std::min<size_t>(4, dictionary_.value(index, subindex).size());
        if (uint32_t code = dictionary_.write(index, subindex, message + 6, size))
            abort(index, subindex, code, reply);
        return;
    }
    size_t complete = get32(message + 6);
    size_t present = length - sdo_size;
    const object_entry* entry = dictionary_.find(index, subindex);
    if (complete > entry->capacity)
        return abort(index, subindex, sdo_abort::length_too_high, reply);
    if (!entry->variable_size && complete < entry->value.size())
        return abort(index, subindex, sdo_abort::length_too_low, reply);
    if (present > complete)
        return abort(index, subindex, sdo_abort::length_mismatch, reply);
    if (present == complete) {
        if (uint32_t code = dictionary_.write(index, subindex, message + sdo_size, complete))
            abort(index, subindex, code, reply);
        return;
    }
    download_ = {true,     index,   subindex, std::vector<uint8_t>(message + sdo_size, message + length),
                 complete, present, false};
}

void coe_sdo_server::download_segment(const uint8_t* message, size_t length, std::vector<uint8_t>& reply)
{
    uint8_t command = message[2];
    if (!download_.active)
        return abort(0, 0, sdo_abort::command_specifier_unknown, reply);
    uint16_t index = download_.index;
    uint8_t subindex = download_.subindex;
    if (bool(command & toggle_bit) != download_.toggle) {
        reset();
        return abort(index, subindex, sdo_abort::toggle_bit_not_changed, reply);
    }
    // a short segment is padded to seven bytes and says how many of them are empty
    size_t size = length == sdo_size ? 7 - ((command >> 1) & 7) : length - segment_overhead;
    if (download_.done + size > download_.complete_size
        || ((command & last_segment) && download_.done + size != download_.complete_size)) {
        reset();
        return abort(index, subindex, sdo_abort::length_mismatch, reply);
    }
    download_.data.insert(download_.data.end(), message + segment_overhead, message + segment_overhead + size);
    download_.done += size;
    reply.assign(sdo_size, 0);
    put16(reply.data(), uint16_t(service_sdo_response << 12));
    reply[2] = uint8_t(0x20 | (download_.toggle ? toggle_bit : 0));
    download_.toggle = !download_.toggle;
    if (!(command & last_segment))
        return;
    transfer finished = std::move(download_);
    reset();
    if (uint32_t code = dictionary_.write(index, subindex, finished.data.data(), finished.data.size()))
        abort(index, subindex, code, reply);
}

void coe_sdo_server::initiate_upload(const uint8_t* message, size_t room, std::vector<uint8_t>& reply)
{
    reset();
    uint16_t index = get16(message + 3);
    uint8_t subindex = message[5];
    if (message[2] & complete_access)
        return abort(index, subindex, sdo_abort::unsupported_access, reply);
    std::vector<uint8_t> value;
    if (uint32_t code = dictionary_.read(index, subindex, value))
        return abort(index, subindex, code, reply);
    if (!value.empty() && value.size() <= 4) {
        reply = sdo_message(service_sdo_response, uint8_t(0x43 | (4 - value.size()) << 2), index, subindex);
        std::copy(value.begin(), value.end(), reply.begin() + 6);
        return;
    }
    reply = sdo_message(service_sdo_response, 0x41, index, subindex);
    put32(reply.data() + 6, uint32_t(value.size()));
    size_t first = std::min(value.size(), room - sdo_size);
    reply.insert(reply.end(), value.begin(), value.begin() + first);
    if (first < value.size())
        upload_ = {true, index, subindex, std::move(value), 0, first, false};
}

void coe_sdo_server::upload_segment(const uint8_t* message, size_t room, std::vector<uint8_t>& reply)
{
    uint8_t command = message[2];
    if (!upload_.active)
        return abort(0, 0, sdo_abort::command_specifier_unknown, reply);
    if (bool(command & toggle_bit) != upload_.toggle) {
        uint16_t index = upload_.index;
        uint8_t subindex = upload_.subindex;
        reset();
        return abort(index, subindex, sdo_abort::toggle_bit_not_changed, reply);
    }
    size_t remaining = upload_.data.size() - upload_.done;
    size_t size = std::min(remaining, room - segment_overhead);
    bool last = size == remaining;
    uint8_t empty = size < 7 ? uint8_t(7 - size) : 0;
    reply.assign(segment_overhead + size + empty, 0);
    put16(reply.data(), uint16_t(service_sdo_response << 12));
    reply[2] = uint8_t((upload_.toggle ? toggle_bit : 0) | empty << 1 | (last ? last_segment : 0));
    std::copy_n(upload_.data.begin() + long(upload_.done), size, reply.begin() + segment_overhead);
    upload_.done += size;
    upload_.toggle = !upload_.toggle;
    if (last)
        reset();
}

std::vector<uint8_t> coe_sdo_server::emergency(const emergency_message& message)
{
    std::vector<uint8_t> m(sdo_size, 0);
    put16(m.data(), uint16_t(service_emergency << 12));
    put16(m.data() + 2, message.error_code);
    m[4] = message.error_register;
    std::copy(message.data.begin(), message.data.end(), m.begin() + 5);
    return m;
}

} // namespace sim
