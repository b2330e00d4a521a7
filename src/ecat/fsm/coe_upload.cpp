// SDO upload: slave -> master, expedited, normal and segmented.
#include <cstring>

#include "ecat/fsm/coe_internal.h"
#include "ecat/fsm/retry.h"
#include "ecat/sdo_request.h"
#include "ecat/slave.h"
#include "platform/clock.h"

namespace ecat {

namespace {

void upload_request(coe_transfer& fsm);
void upload_check(coe_transfer& fsm);
void upload_response(coe_transfer& fsm);
void upload_segment_request(coe_transfer& fsm);
void upload_segment_check(coe_transfer& fsm);
void upload_segment_response(coe_transfer& fsm);

bool send_initiate(coe_transfer& fsm, bool again)
{
    uint8_t* payload = coe_prepare_request(fsm, coe_sdo_header_size, again);
    if (!payload)
        return false;
    write_u16(payload, coe_header_sdo_request);
    payload[2] = 0x40;
    write_u16(payload + 3, fsm.request->index);
    payload[5] = fsm.request->subindex;
    std::memset(payload + 6, 0, 4);
    return true;
}

bool send_segment_request(coe_transfer& fsm, bool again)
{
    uint8_t* payload = coe_prepare_request(fsm, coe_sdo_header_size, again);
    if (!payload)
        return false;
    write_u16(payload, coe_header_sdo_request);
    payload[2] = static_cast<uint8_t>(0x60 | (fsm.toggle << 4));
    std::memset(payload + 3, 0, 7);
    return true;
}

// Replaces the request data with bytes from the slave.
bool set_data(coe_transfer& fsm, const uint8_t* bytes, size_t size, size_t capacity)
{
    sdo_request& request = *fsm.request;
    request.data_size = 0;
    if (sdo_request_reserve(request, capacity) != 0) {
        coe_fail(fsm, result::no_memory);
        return false;
    }
    if (size)
        std::memcpy(request.data, bytes, size);
    request.data_size = size;
    return true;
}

void upload_request(coe_transfer& fsm)
{
    if (coe_request_taken(fsm, send_initiate) && coe_prepare_check(fsm))
        fsm.state = upload_check;
}

void upload_check(coe_transfer& fsm)
{
    if (coe_check_step(fsm))
        fsm.state = upload_response;
}

void take_initiate_response(coe_transfer& fsm, const uint8_t* payload, size_t length)
{
    uint8_t command = payload[2];
    if (command & 0x02) { // expedited
        size_t size = (command & 0x01) ? 4 - ((command >> 2) & 3) : 4;
        if (length < size + 6) {
            coe_fail(fsm, result::failed);
            return;
        }
        if (set_data(fsm, payload + 6, size, size))
            fsm.state = coe_state_done;
        return;
    }
    if (length < coe_sdo_header_size || read_u32(payload + 6) == 0) {
        coe_fail(fsm, result::failed);
        return;
    }
    fsm.complete_size = read_u32(payload + 6);
    size_t first_part = length - coe_sdo_header_size;
    if (fsm.complete_size > coe_max_upload_size || first_part > fsm.complete_size) {
        coe_fail(fsm, result::too_large);
        return;
    }
    if (!set_data(fsm, payload + coe_sdo_header_size, first_part, fsm.complete_size))
        return;
    fsm.toggle = 0;
    if (first_part == fsm.complete_size) {
        fsm.state = coe_state_done;
        return;
    }
    fsm.retries = 3;
    if (send_segment_request(fsm, false))
        fsm.state = upload_segment_request;
}

void upload_response(coe_transfer& fsm)
{
    const uint8_t* payload = nullptr;
    size_t length = 0;
    if (!coe_sdo_reply(fsm, upload_check, true, 6, payload, length))
        return;
    if (coe_service(payload) != 3 || (payload[2] & 0xE0) != 0x40) {
        coe_fail(fsm, result::failed);
        return;
    }
    if (read_u16(payload + 3) != fsm.request->index || payload[5] != fsm.request->subindex) {
        coe_check_again(fsm, upload_check);
        return;
    }
    take_initiate_response(fsm, payload, length);
}

void upload_segment_request(coe_transfer& fsm)
{
    datagram& d = *fsm.dgram;
    if (retry_timed_out(d, fsm.retries)) {
        send_segment_request(fsm, true);
        return;
    }
    if (!received_with(d, 1)) {
        coe_fail(fsm, result::failed);
        return;
    }
    fsm.response_start = d.sent_time;
    fsm.retries = 3;
    if (coe_prepare_check(fsm))
        fsm.state = upload_segment_check;
}

void upload_segment_check(coe_transfer& fsm)
{
    if (coe_check_step(fsm))
        fsm.state = upload_segment_response;
}

void upload_segment_response(coe_transfer& fsm)
{
    const uint8_t* payload = nullptr;
    size_t length = 0;
    if (!coe_sdo_reply(fsm, upload_segment_check, true, coe_sdo_header_size, payload, length))
        return;
    uint8_t command = payload[2];
    if (coe_service(payload) != 3 || command > 0x1F) {
        coe_check_again(fsm, upload_segment_check);
        return;
    }
    // an answer to an earlier segment request carries the other toggle
    if (((command >> 4) & 1) != fsm.toggle) {
        coe_fail(fsm, result::failed);
        return;
    }
    size_t data_length = length - 3;
    if (length == coe_sdo_header_size)
        data_length -= (command >> 1) & 7;
    sdo_request& request = *fsm.request;
    if (request.data_size + data_length > fsm.complete_size) {
        coe_fail(fsm, result::too_large);
        return;
    }
    std::memcpy(request.data + request.data_size, payload + 3, data_length);
    request.data_size += data_length;
    if (command & 0x01) {
        // a transfer that ends short of its announced size did not deliver the object
        if (request.data_size != fsm.complete_size) {
            coe_fail(fsm, result::failed);
            return;
        }
        fsm.state = coe_state_done;
        return;
    }
    fsm.toggle ^= 1;
    fsm.retries = 3;
    if (send_segment_request(fsm, false))
        fsm.state = upload_segment_request;
}

} // namespace

void coe_upload_start(coe_transfer& fsm)
{
    if (!(fsm.target->mailbox_protocols & mailbox_protocol_coe)) {
        coe_fail(fsm, result::no_coe);
        return;
    }
    if (!coe_mailbox_fits(*fsm.target)) {
        coe_fail(fsm, result::too_large);
        return;
    }
    fsm.request->send_time = platform::tick_ms();
    coe_write_first(fsm, send_initiate, upload_request);
}

} // namespace ecat
