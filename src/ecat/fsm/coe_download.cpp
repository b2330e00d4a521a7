// SDO download: master -> slave, expedited, normal and segmented.
#include <algorithm>
#include <cstring>

#include "ecat/fsm/coe_internal.h"
#include "ecat/fsm/retry.h"
#include "ecat/sdo_request.h"
#include "ecat/slave.h"
#include "platform/clock.h"

namespace ecat {

namespace {

void download_request(coe_transfer& fsm);
void download_check(coe_transfer& fsm);
void download_response(coe_transfer& fsm);
void download_segment_check(coe_transfer& fsm);
void download_segment_response(coe_transfer& fsm);

bool send_initiate(coe_transfer& fsm, bool again)
{
    slave& s = *fsm.target;
    sdo_request& request = *fsm.request;
    uint8_t complete_access = request.complete_access ? 0x10 : 0;
    uint8_t subindex = request.complete_access ? 0 : request.subindex;
    size_t length;
    if (request.data_size <= 4) {
        length = coe_sdo_header_size;
    } else {
        length = std::min(request.data_size + coe_sdo_header_size,
                          static_cast<size_t>(s.configured_rx_mailbox_size) - mailbox_header_size);
    }
    uint8_t* payload = coe_prepare_request(fsm, length, again);
    if (!payload)
        return false;
    write_u16(payload, coe_header_sdo_request);
    write_u16(payload + 3, request.index);
    payload[5] = subindex;
    if (request.data_size <= 4) {
        payload[2] = static_cast<uint8_t>(0x23 | ((4 - request.data_size) << 2) | complete_access);
        std::memset(payload + 6, 0, 4);
        if (request.data_size)
            std::memcpy(payload + 6, request.data, request.data_size);
        fsm.bytes_transferred = request.data_size;
        fsm.bytes_remaining = 0;
    } else {
        payload[2] = static_cast<uint8_t>(0x21 | complete_access);
        write_u32(payload + 6, static_cast<uint32_t>(request.data_size));
        size_t first_part = length - coe_sdo_header_size;
        std::memcpy(payload + coe_sdo_header_size, request.data, first_part);
        fsm.bytes_transferred = first_part;
        fsm.bytes_remaining = request.data_size - first_part;
    }
    return true;
}

bool send_segment(coe_transfer& fsm)
{
    slave& s = *fsm.target;
    size_t max_segment = s.configured_rx_mailbox_size - 9u;
    fsm.segment_size = std::min(max_segment, fsm.bytes_remaining);
    bool last = max_segment >= fsm.bytes_remaining;
    size_t length = fsm.segment_size < 8 ? coe_sdo_header_size : fsm.segment_size + 3;
    uint8_t empty_bytes = fsm.segment_size < 8 ? static_cast<uint8_t>(7 - fsm.segment_size) : 0;
    uint8_t* payload = coe_prepare_request(fsm, length, false);
    if (!payload)
        return false;
    write_u16(payload, coe_header_sdo_request);
    payload[2] = static_cast<uint8_t>((fsm.toggle << 4) | (empty_bytes << 1) | (last ? 1 : 0));
    std::memset(payload + 3, 0, length - 3);
    std::memcpy(payload + 3, fsm.request->data + fsm.bytes_transferred, fsm.segment_size);
    return true;
}

void download_request(coe_transfer& fsm)
{
    if (coe_request_taken(fsm, send_initiate) && coe_prepare_check(fsm))
        fsm.state = download_check;
}

void download_check(coe_transfer& fsm)
{
    if (coe_check_step(fsm))
        fsm.state = download_response;
}

void download_response(coe_transfer& fsm)
{
    const uint8_t* payload = nullptr;
    size_t length = 0;
    if (!coe_sdo_reply(fsm, download_check, false, 6, payload, length))
        return;
    sdo_request& request = *fsm.request;
    bool initiate_response = coe_service(payload) == 3 && (payload[2] >> 5) == 3
        && read_u16(payload + 3) == request.index && payload[5] == (request.complete_access ? 0 : request.subindex);
    if (!initiate_response) {
        coe_check_again(fsm, download_check);
        return;
    }
    if (fsm.bytes_remaining == 0) {
        fsm.state = coe_state_done;
        return;
    }
    fsm.toggle = 0;
    fsm.retries = 3;
    if (send_segment(fsm))
        fsm.state = download_segment_check;
}

void download_segment_check(coe_transfer& fsm)
{
    datagram& d = *fsm.dgram;
    if (retry_timed_out(d, fsm.retries))
        return;
    if (!received_with(d, 1)) {
        coe_fail(fsm, result::failed);
        return;
    }
    // the first reply seen here is the segment write itself, so this starts the polling
    if (d.data_size > 5 && (d.data[5] & 0x08)) {
        fsm.retries = 3;
        if (coe_prepare_fetch(fsm))
            fsm.state = download_segment_response;
        return;
    }
    if (d.received_time - fsm.response_start < fsm.request->response_timeout_ms) {
        fsm.retries = 3;
        coe_prepare_check(fsm);
        return;
    }
    coe_fail(fsm, result::failed);
}

void download_segment_response(coe_transfer& fsm)
{
    const uint8_t* payload = nullptr;
    size_t length = 0;
    if (!coe_sdo_reply(fsm, download_segment_check, true, 6, payload, length))
        return;
    if (coe_service(payload) != 3 || payload[2] < 0x20 || payload[2] > 0x3F) {
        coe_check_again(fsm, download_segment_check);
        return;
    }
    if (((payload[2] >> 4) & 1) != fsm.toggle) {
        coe_fail(fsm, result::failed);
        return;
    }
    fsm.bytes_transferred += fsm.segment_size;
    fsm.bytes_remaining -= fsm.segment_size;
    if (fsm.bytes_remaining == 0) {
        fsm.state = coe_state_done;
        return;
    }
    fsm.toggle ^= 1;
    fsm.retries = 3;
    if (send_segment(fsm))
        fsm.state = download_segment_check;
}

} // namespace

void coe_download_start(coe_transfer& fsm)
{
    slave& s = *fsm.target;
    if (!(s.mailbox_protocols & mailbox_protocol_coe)) {
        coe_fail(fsm, result::no_coe);
        return;
    }
    if (s.configured_rx_mailbox_size < 16 || !coe_mailbox_fits(s)) {
        coe_fail(fsm, result::too_large);
        return;
    }
    fsm.request->send_time = platform::tick_ms();
    coe_write_first(fsm, send_initiate, download_request);
}

} // namespace ecat
