#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>

#include "ecat/list.h"

namespace ecat {

// States shared by every kind of request.
enum class request_state : int { init = 0, queued = 1, busy = 2, success = 3, failure = 4 };

enum class sdo_direction : int { download = 1, upload = 2 };

// One queued SDO transfer. Lives in the caller's storage; owns only its data buffer.
struct sdo_request {
    list_node queue_link;
    uint16_t index = 0;
    uint8_t subindex = 0;
    uint8_t* data = nullptr;
    size_t capacity = 0;
    size_t data_size = 0;
    bool complete_access = false;
    uint32_t response_timeout_ms = 1000;
    sdo_direction direction = sdo_direction::upload;
    std::atomic<request_state> state{request_state::init}; // read by the waiting caller without the lock
    uint32_t queue_time = 0;
    uint32_t send_time = 0;
    int failure = 0; // the result code (result.h) of a failed request, 0 before
    uint32_t abort_code = 0;
    uint16_t mailbox_error_code = 0; // of a mailbox error reply (error number 71)

    sdo_request() = default;
    sdo_request(const sdo_request&) = delete;
    sdo_request& operator=(const sdo_request&) = delete;
    ~sdo_request() { delete[] data; }
};

// Grows the buffer to hold size bytes, keeping what it holds. Returns 0 or -12.
int sdo_request_reserve(sdo_request& request, size_t size);
// Replaces the data with a copy of the given bytes. Returns 0 or -12.
int sdo_request_copy_data(sdo_request& request, const uint8_t* bytes, size_t size);
// Prepares a request for an object: index, subindex, time-out 1000 ms, no error, no abort.
void sdo_request_set_object(sdo_request& request, uint16_t index, uint8_t subindex);

} // namespace ecat
