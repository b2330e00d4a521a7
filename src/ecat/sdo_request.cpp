#include "ecat/sdo_request.h"

#include <cstring>
#include <new>

#include "ecat/result.h"

namespace ecat {

int sdo_request_reserve(sdo_request& request, size_t size)
{
    if (request.capacity >= size)
        return 0;
    auto* grown = new (std::nothrow) uint8_t[size];
    if (!grown)
        return result::no_memory;
    if (request.data && request.data_size)
        std::memcpy(grown, request.data, request.data_size);
    delete[] request.data;
    request.data = grown;
    request.capacity = size;
    return 0;
}

int sdo_request_copy_data(sdo_request& request, const uint8_t* bytes, size_t size)
{
    request.data_size = 0;
    if (sdo_request_reserve(request, size) != 0)
        return result::no_memory;
    if (size)
        std::memcpy(request.data, bytes, size);
    request.data_size = size;
    return 0;
}

void sdo_request_set_object(sdo_request& request, uint16_t index, uint8_t subindex)
{
    request.index = index;
    request.subindex = subindex;
    request.complete_access = false;
    request.response_timeout_ms = 1000;
    request.failure = 0;
    request.mailbox_error_code = 0;
    request.abort_code = 0;
}

} // namespace ecat
