#include "ecat/sdo_api.h"

#include <chrono>

#include "ecat/master.h"
#include "platform/clock.h"

namespace ecat {

namespace {

// Queues the request and waits for its end. Returns 0 when it ended (success or
// failure), or the result of a request withdrawn or never queued.
int queue_and_wait(master& m, uint16_t position, sdo_request& request)
{
    request.state = request_state::queued;
    request.queue_time = platform::tick_ms();
    {
        std::lock_guard lock(m.master_lock);
        if (position >= m.slave_count)
            return -22;
        m.slaves[position].sdo_requests.push_back(request);
    }

    // every ended request wakes all waiters; the time limit only bounds how late a
    // stopped master is noticed
    std::unique_lock wait_lock(m.request_end_lock);
    while (!m.stop && request.state == request_state::queued)
        m.request_ended.wait_for(wait_lock, std::chrono::milliseconds(5));
    wait_lock.unlock();
    if (request.state == request_state::queued) {
        std::lock_guard lock(m.master_lock);
        if (request.state == request_state::queued) {
            request.queue_link.unlink();
            return -5;
        }
    }
    // a busy request is always waited for: clearing the master fails it
    wait_lock.lock();
    while (request.state == request_state::busy)
        m.request_ended.wait_for(wait_lock, std::chrono::milliseconds(5));
    return 0;
}

int failure_result(const sdo_request& request)
{
    return request.error_number ? -request.error_number : -5;
}

} // namespace

int master_sdo_download(master& m, uint16_t position, uint16_t index, uint8_t subindex, const uint8_t* data,
                        size_t size, uint32_t* abort_code)
{
    sdo_request request;
    sdo_request_set_object(request, index, subindex);
    if (size > 0 && sdo_request_copy_data(request, data, size) != 0)
        return -12;
    request.direction = sdo_direction::download;
    int queued = queue_and_wait(m, position, request);
    if (queued != 0)
        return queued;
    if (abort_code)
        *abort_code = request.abort_code;
    return request.state == request_state::success ? 0 : failure_result(request);
}

int master_sdo_upload(master& m, uint16_t position, uint16_t index, uint8_t subindex, uint8_t* target,
                      size_t target_size, size_t* result_size, uint32_t* abort_code)
{
    sdo_request request;
    sdo_request_set_object(request, index, subindex);
    if (target_size > 0 && sdo_request_reserve(request, target_size) != 0)
        return -12;
    request.direction = sdo_direction::upload;
    int queued = queue_and_wait(m, position, request);
    if (queued != 0)
        return queued;
    if (abort_code)
        *abort_code = request.abort_code;
    if (request.state == request_state::success) {
        if (request.data_size > target_size)
            return -139;
        for (size_t i = 0; i < request.data_size; ++i)
            target[i] = request.data[i];
        if (result_size)
            *result_size = request.data_size;
        return 0;
    }
    if (result_size)
        *result_size = 0;
    return failure_result(request);
}

} // namespace ecat
