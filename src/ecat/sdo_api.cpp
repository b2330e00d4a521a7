#include "ecat/sdo_api.h"

#include <algorithm>
#include <chrono>

#include "ecat/master.h"
#include "ecat/result.h"
#include "platform/clock.h"

namespace ecat {

namespace {

// The time for a transfer's exchanges besides its response time-out: waiting behind
// the requests queued before it, lost frames sent again, and segments of larger data.
constexpr uint32_t exchange_allowance_ms = 1000;
constexpr uint32_t segment_allowance_ms_per_kib = 250;

// Takes the request out of the master: off its queue, or out of service. Under the master lock.
void withdraw(master_core& m, sdo_request& request)
{
    if (request.state == request_state::queued) {
        request.queue_link.unlink();
    } else if (request.state == request_state::busy) {
        for (unsigned i = 0; i < m.slave_count; ++i)
            if (slave_request_withdraw(m.slaves[i].request_machine, request))
                break;
    } else {
        return; // it ended meanwhile: its result stands
    }
    request.failure = 0;
    request.state = request_state::failure;
}

// Queues the request and waits for its end, at most sdo_call_limit_ms. Returns 0 when
// it ended (success or failure; a request withdrawn at the limit ends in failure), or
// the result of a request withdrawn or never queued.
int queue_and_wait(master_core& m, uint16_t position, sdo_request& request, size_t size_hint)
{
    auto deadline = std::chrono::steady_clock::now()
        + std::chrono::milliseconds(sdo_call_limit_ms(request.response_timeout_ms, size_hint));
    request.state = request_state::queued;
    request.queue_time = platform::tick_ms();
    {
        mutex_lock lock(m.master_lock);
        if (position >= m.slave_count)
            return result::bad_position;
        m.slaves[position].sdo_requests.push_back(request);
    }

    // every ended request wakes all waiters; the 5 ms steps only bound how late a
    // stopped master or the call's limit is noticed
    std::unique_lock wait_lock(m.request_end_lock);
    while (!m.stop && request.state == request_state::queued && std::chrono::steady_clock::now() < deadline)
        m.request_ended.wait_for(wait_lock, std::chrono::milliseconds(5));
    wait_lock.unlock();
    if (request.state == request_state::queued) {
        mutex_lock lock(m.master_lock);
        if (request.state == request_state::queued) {
            request.queue_link.unlink();
            return result::failed;
        }
    }
    // a busy request is waited for until the limit (clearing the master fails it)
    wait_lock.lock();
    while (request.state == request_state::busy && std::chrono::steady_clock::now() < deadline)
        m.request_ended.wait_for(wait_lock, std::chrono::milliseconds(5));
    wait_lock.unlock();
    if (request.state == request_state::busy) {
        // past the limit: after this no step of the transfer touches the request
        mutex_lock lock(m.master_lock);
        withdraw(m, request);
    }
    return 0;
}

int failure_result(const sdo_request& request)
{
    return request.failure ? request.failure : result::failed;
}

// Written first, so that a caller never reads what it left there.
void clear_out(uint32_t* abort_code, uint16_t* mailbox_error_code)
{
    if (abort_code)
        *abort_code = 0;
    if (mailbox_error_code)
        *mailbox_error_code = 0;
}

void report_codes(const sdo_request& request, uint32_t* abort_code, uint16_t* mailbox_error_code)
{
    if (abort_code)
        *abort_code = request.abort_code;
    if (mailbox_error_code)
        *mailbox_error_code = request.mailbox_error_code;
}

} // namespace

uint32_t sdo_call_limit_ms(uint32_t response_timeout_ms, size_t size)
{
    uint64_t limit =
        uint64_t(response_timeout_ms) + exchange_allowance_ms + uint64_t(size / 1024) * segment_allowance_ms_per_kib;
    return static_cast<uint32_t>(std::min<uint64_t>(limit, sdo_call_limit_max_ms));
}

int master_sdo_download(master& m, uint16_t position, uint16_t index, uint8_t subindex, const uint8_t* data,
                        size_t size, uint32_t* abort_code, uint16_t* mailbox_error_code)
{
    clear_out(abort_code, mailbox_error_code);
    sdo_request request;
    sdo_request_set_object(request, index, subindex);
    if (size > 0 && sdo_request_copy_data(request, data, size) != 0)
        return result::no_memory;
    request.direction = sdo_direction::download;
    int queued = queue_and_wait(core_of(m), position, request, size);
    if (queued != 0)
        return queued;
    report_codes(request, abort_code, mailbox_error_code);
    return request.state == request_state::success ? 0 : failure_result(request);
}

int master_sdo_upload(master& m, uint16_t position, uint16_t index, uint8_t subindex, uint8_t* target,
                      size_t target_size, size_t* result_size, uint32_t* abort_code, uint16_t* mailbox_error_code)
{
    clear_out(abort_code, mailbox_error_code);
    // the size is written on every failure but -139, which leaves it as it was
    auto fail = [result_size](int result) {
        if (result_size)
            *result_size = 0;
        return result;
    };
    sdo_request request;
    sdo_request_set_object(request, index, subindex);
    if (target_size > 0 && sdo_request_reserve(request, target_size) != 0)
        return fail(result::no_memory);
    request.direction = sdo_direction::upload;
    int queued = queue_and_wait(core_of(m), position, request, target_size);
    if (queued != 0)
        return fail(queued);
    report_codes(request, abort_code, mailbox_error_code);
    if (request.state == request_state::success) {
        if (request.data_size > target_size)
            return result::too_large;
        for (size_t i = 0; i < request.data_size; ++i)
            target[i] = request.data[i];
        if (result_size)
            *result_size = request.data_size;
        return 0;
    }
    return fail(failure_result(request));
}

} // namespace ecat
