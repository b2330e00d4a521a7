#pragma once
// Shared pieces of the CoE transfer machine's download and upload halves.
#include <cstddef>
#include <cstdint>

#include "ecat/datagram.h"
#include "ecat/fsm/coe.h"
#include "ecat/fsm/mailbox.h"
#include "ecat/result.h"
#include "ecat/slave.h"

namespace ecat {

constexpr uint16_t coe_header_sdo_request = 0x2000;
constexpr size_t coe_sdo_header_size = 10; // CoE header, command, index, subindex, 4 data bytes

// The upload announces its size; more than this is refused as a broken answer.
constexpr uint32_t coe_max_upload_size = 1u << 20;

void coe_state_done(coe_transfer& fsm);
void coe_state_failed(coe_transfer& fsm);
// Ends the transfer in failure with a result code (result.h); the request keeps its
// positive error number.
void coe_fail(coe_transfer& fsm, int result_code);

void coe_download_start(coe_transfer& fsm);
void coe_upload_start(coe_transfer& fsm);

// Prepares the SM1 status check / the mailbox fetch; false (and failed) on no memory.
bool coe_prepare_check(coe_transfer& fsm);
bool coe_prepare_fetch(coe_transfer& fsm);

// Writes a mailbox request of `length` service bytes and returns its payload area, or
// nullptr (and failed). A request written again (`again`) keeps its mailbox counter.
uint8_t* coe_prepare_request(coe_transfer& fsm, size_t length, bool again);

using coe_request_writer = bool (*)(coe_transfer&, bool again);

// Writes the transfer's first request and goes to `next`; when the send mailbox may
// still hold answers to earlier requests, it is emptied first.
void coe_write_first(coe_transfer& fsm, coe_request_writer write, coe_state next);

// The answer to the mailbox write of a request. True when the slave took it (the
// response time starts); otherwise it was written again or the transfer failed.
bool coe_request_taken(coe_transfer& fsm, coe_request_writer write_again);

// One step of polling the send mailbox. True when it is full and its fetch is
// prepared; otherwise the check was issued again or the transfer failed.
bool coe_check_step(coe_transfer& fsm);

// How a fetched mailbox reads as CoE; `pending` when there is nothing to act on this
// step (the fetch was issued again, or the transfer failed).
enum class coe_reply { pending, not_coe, emergency, message };

// Takes the answer to a mailbox fetch. On `message` it gives the CoE payload and its
// length; every length has been checked against what was read.
coe_reply coe_take_reply(coe_transfer& fsm, const uint8_t*& payload, size_t& length);

// A fetched answer that came back garbled or not at all: reads it again if it is still in the
// send mailbox, otherwise asks the slave to hand it over again (SM1's repeat request), then
// fetches it in the current state. False, changing nothing, when the transfer has used its repeats.
bool coe_request_repeat(coe_transfer& fsm);

// Issues a status check again and waits in check_state.
void coe_check_again(coe_transfer& fsm, coe_state check_state);

// The opening every SDO response state shares: takes the fetched reply, checks the
// mailbox again on an emergency (and on a non-CoE message unless that fails the
// transfer), fails a message shorter than minimum_length and takes an abort. True
// with the SDO message to act on; false when this step is already handled.
bool coe_sdo_reply(coe_transfer& fsm, coe_state check_state, bool other_protocol_fails, size_t minimum_length,
                   const uint8_t*& payload, size_t& length);

inline uint8_t coe_service(const uint8_t* payload)
{
    return static_cast<uint8_t>(read_u16(payload) >> 12);
}
// An abort transfer: SDO request service with command specifier 4.
inline bool coe_is_abort(const uint8_t* payload)
{
    return coe_service(payload) == 2 && (payload[2] >> 5) == 4;
}
// Stores the abort code when the message carries one, and fails.
void coe_take_abort(coe_transfer& fsm, const uint8_t* payload, size_t length);
// A mailbox is read and written by one datagram: a larger one cannot carry CoE.
inline bool coe_mailbox_fits(const slave& s)
{
    return s.configured_rx_mailbox_size <= max_datagram_data && s.configured_tx_mailbox_size <= max_datagram_data;
}
// The slave answered the request it was serving: its send mailbox holds nothing more for it.
inline void coe_answered(coe_transfer& fsm)
{
    fsm.target->mailbox_settled = true;
}

} // namespace ecat
