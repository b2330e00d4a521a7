#include "ecat/fsm/coe.h"

#include "ecat/fsm/coe_internal.h"
#include "ecat/fsm/retry.h"
#include "ecat/sdo_request.h"
#include "ecat/slave.h"
#include "platform/clock.h"

namespace ecat {

void coe_state_done(coe_transfer&) { }
void coe_state_failed(coe_transfer&) { }

void coe_fail(coe_transfer& fsm, int result_code)
{
    fsm.request->failure = result_code;
    fsm.state = coe_state_failed;
}

void coe_start(coe_transfer& fsm, slave& target, sdo_request& request)
{
    fsm.target = &target;
    fsm.request = &request;
    fsm.retries = 3;
    fsm.complete_size = 0;
    fsm.toggle = 0;
    fsm.bytes_transferred = fsm.bytes_remaining = fsm.segment_size = 0;
    fsm.repeats = 3;
    fsm.state = request.direction == sdo_direction::download ? coe_download_start : coe_upload_start;
}

bool coe_exec(coe_transfer& fsm)
{
    if (coe_done(fsm) || coe_failed(fsm))
        return false;
    fsm.state(fsm);
    if (coe_done(fsm))
        coe_answered(fsm);
    return !coe_done(fsm) && !coe_failed(fsm);
}

void coe_abandon(coe_transfer& fsm)
{
    if (fsm.target)
        fsm.target->mailbox_settled = false; // its answer may still come
    fsm.request = nullptr;
    fsm.state = coe_state_failed;
}

bool coe_done(const coe_transfer& fsm)
{
    return fsm.state == coe_state_done;
}

bool coe_failed(const coe_transfer& fsm)
{
    return fsm.state == coe_state_failed;
}

bool coe_prepare_check(coe_transfer& fsm)
{
    if (mailbox_prepare_check(*fsm.target, *fsm.dgram) != 0) {
        coe_fail(fsm, result::no_memory);
        return false;
    }
    return true;
}

bool coe_prepare_fetch(coe_transfer& fsm)
{
    if (mailbox_prepare_fetch(*fsm.target, *fsm.dgram) != 0) {
        coe_fail(fsm, result::no_memory);
        return false;
    }
    return true;
}

uint8_t* coe_prepare_request(coe_transfer& fsm, size_t length, bool again)
{
    slave& s = *fsm.target;
    if (!again) {
        fsm.mailbox_counter = mailbox_next_counter(s);
        s.mailbox_settled = false;
    }
    int error = 0;
    uint8_t* payload = mailbox_prepare_send(s, *fsm.dgram, mailbox_type_coe, length, fsm.mailbox_counter, error);
    if (!payload)
        coe_fail(fsm, error);
    return payload;
}

namespace {

void drain_fetch(coe_transfer& fsm);

void write_first_request(coe_transfer& fsm)
{
    fsm.retries = 3;
    if (fsm.first_write(fsm, false))
        fsm.state = fsm.after_first_write;
}

// Polls the send mailbox until it is empty, throwing away what it holds.
void drain_check(coe_transfer& fsm)
{
    datagram& d = *fsm.dgram;
    if (retry_timed_out(d, fsm.retries)) {
        coe_prepare_check(fsm);
        return;
    }
    if (!received_with(d, 1)) {
        coe_fail(fsm, result::failed);
        return;
    }
    if (!mailbox_full(d)) {
        fsm.target->mailbox_settled = true;
        write_first_request(fsm);
        return;
    }
    fsm.retries = 3;
    if (coe_prepare_fetch(fsm))
        fsm.state = drain_fetch;
}

void drain_fetch(coe_transfer& fsm)
{
    datagram& d = *fsm.dgram;
    if (retry_timed_out(d, fsm.retries)) {
        coe_prepare_fetch(fsm);
        return;
    }
    // whatever came back is an old answer or nothing: look at the status again
    if (platform::tick_ms() - fsm.request->send_time >= fsm.request->response_timeout_ms) {
        coe_fail(fsm, result::failed);
        return;
    }
    fsm.retries = 3;
    coe_check_again(fsm, drain_check);
}

} // namespace

void coe_write_first(coe_transfer& fsm, coe_request_writer write, coe_state next)
{
    fsm.first_write = write;
    fsm.after_first_write = next;
    if (fsm.target->mailbox_settled) {
        write_first_request(fsm);
        return;
    }
    fsm.retries = 3;
    coe_check_again(fsm, drain_check);
}

bool coe_request_taken(coe_transfer& fsm, coe_request_writer write_again)
{
    datagram& d = *fsm.dgram;
    if (retry_timed_out(d, fsm.retries)) {
        write_again(fsm, true);
        return false;
    }
    if (received_with(d, 1)) {
        fsm.response_start = d.sent_time;
        fsm.retries = 3;
        return true;
    }
    // nobody took the mailbox yet: write it again within the response time-out
    if (d.state == datagram_state::received && d.working_counter == 0
        && platform::tick_ms() - fsm.request->send_time < fsm.request->response_timeout_ms) {
        fsm.retries = 3;
        write_again(fsm, true);
        return false;
    }
    coe_fail(fsm, result::failed);
    return false;
}

bool coe_check_step(coe_transfer& fsm)
{
    datagram& d = *fsm.dgram;
    if (retry_timed_out(d, fsm.retries)) {
        coe_prepare_check(fsm);
        return false;
    }
    if (!received_with(d, 1)) {
        coe_fail(fsm, result::failed);
        return false;
    }
    if (!mailbox_full(d)) {
        if (d.received_time - fsm.response_start < fsm.request->response_timeout_ms) {
            fsm.retries = 3;
            coe_prepare_check(fsm);
        } else {
            coe_fail(fsm, result::failed);
        }
        return false;
    }
    fsm.retries = 3;
    return coe_prepare_fetch(fsm);
}

coe_reply coe_take_reply(coe_transfer& fsm, const uint8_t*& payload, size_t& length)
{
    datagram& d = *fsm.dgram;
    // the read may have emptied the mailbox even when its answer never came back right
    bool lost = d.state == datagram_state::timed_out || (d.state == datagram_state::received && d.working_counter != 1);
    if (lost && coe_request_repeat(fsm))
        return coe_reply::pending;
    if (retry_timed_out(d, fsm.retries)) {
        coe_prepare_fetch(fsm);
        return coe_reply::pending;
    }
    if (!received_with(d, 1)) {
        coe_fail(fsm, result::failed);
        return coe_reply::pending;
    }
    mailbox_message message;
    int result = mailbox_parse_fetched(*fsm.target, d, message);
    bool error_reply = (d.data[5] & 0x0F) == mailbox_type_error;
    if (result != 0 && !error_reply && coe_request_repeat(fsm))
        return coe_reply::pending;
    if (result != 0) {
        fsm.request->mailbox_error_code = message.error_code;
        coe_fail(fsm, result);
        return coe_reply::pending;
    }
    if (message.type != mailbox_type_coe)
        return coe_reply::not_coe;
    payload = message.payload;
    length = message.length;
    if (length >= 2 && coe_service(payload) == 1)
        return coe_reply::emergency;
    return coe_reply::message;
}

void coe_check_again(coe_transfer& fsm, coe_state check_state)
{
    fsm.retries = 3;
    if (coe_prepare_check(fsm))
        fsm.state = check_state;
}

bool coe_sdo_reply(coe_transfer& fsm, coe_state check_state, bool other_protocol_fails, size_t minimum_length,
                   const uint8_t*& payload, size_t& length)
{
    switch (coe_take_reply(fsm, payload, length)) {
    case coe_reply::pending: return false;
    case coe_reply::not_coe:
        if (other_protocol_fails)
            coe_fail(fsm, result::failed);
        else
            coe_check_again(fsm, check_state);
        return false;
    case coe_reply::emergency: coe_check_again(fsm, check_state); return false;
    case coe_reply::message: break;
    }
    if (length < minimum_length) {
        coe_fail(fsm, result::failed);
        return false;
    }
    if (coe_is_abort(payload)) {
        coe_take_abort(fsm, payload, length);
        return false;
    }
    return true;
}

void coe_take_abort(coe_transfer& fsm, const uint8_t* payload, size_t length)
{
    if (length >= coe_sdo_header_size)
        fsm.request->abort_code = read_u32(payload + 6);
    coe_answered(fsm);
    coe_fail(fsm, result::failed);
}

} // namespace ecat
