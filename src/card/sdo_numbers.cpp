#include "card/sdo_numbers.h"

#include "ecat/sdo_api.h"

namespace card {

int download_number(ecat::master& m, uint16_t position, uint16_t index, uint8_t subindex, uint64_t value, size_t size)
{
    uint8_t bytes[8];
    for (size_t i = 0; i < size && i < sizeof bytes; ++i)
        bytes[i] = uint8_t(value >> (8 * i));
    return ecat::master_sdo_download(m, position, index, subindex, bytes, size, nullptr);
}

int upload_number(ecat::master& m, uint16_t position, uint16_t index, uint8_t subindex, size_t size, uint64_t& value)
{
    uint8_t bytes[8] = {};
    size_t got = 0;
    int result = ecat::master_sdo_upload(m, position, index, subindex, bytes, size, &got, nullptr);
    if (result != 0)
        return result;
    value = 0;
    for (size_t i = 0; i < got && i < sizeof bytes; ++i)
        value |= uint64_t(bytes[i]) << (8 * i);
    return 0;
}

transfer_result write_object(ecat::master& m, uint16_t position, const protocol::object& object, uint64_t value)
{
    return write_object(m, position, object, value, object.size);
}

transfer_result write_object(ecat::master& m, uint16_t position, const protocol::object& object, uint64_t value,
                             size_t size)
{
    return {download_number(m, position, object.index, object.subindex, value, size), object.index, object.subindex};
}

transfer_result read_object(ecat::master& m, uint16_t position, const protocol::object& object, uint64_t& value)
{
    return {upload_number(m, position, object.index, object.subindex, object.size, value), object.index,
            object.subindex};
}

transfer_result read_object_bytes(ecat::master& m, uint16_t position, const protocol::object& object, uint8_t* bytes,
                                  size_t& got)
{
    got = 0;
    return {ecat::master_sdo_upload(m, position, object.index, object.subindex, bytes, object.size, &got, nullptr),
            object.index, object.subindex};
}

} // namespace card
