#include "ecat/datagram.h"
#include "ecat/fsm/esc_registers.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "ecat/result.h"

namespace ecat {

namespace {
const char* const type_names[] = {"?",   "APRD", "APWR", "APRW", "FPRD", "FPWR", "FPRW", "BRD",
                                  "BWR", "BRW",  "LRD",  "LWR",  "LRW",  "ARMW", "FRMW"};

void free_internal(datagram& d)
{
    if (!d.external)
        delete[] d.data;
    d.data = nullptr;
    d.capacity = 0;
    d.external = false;
}
} // namespace

const char* datagram_type_name(datagram_type type)
{
    int code = static_cast<int>(type);
    return code >= 1 && code <= 14 ? type_names[code] : type_names[0];
}

bool datagram_type_is_write(datagram_type type)
{
    return type == datagram_type::APWR || type == datagram_type::FPWR || type == datagram_type::BWR
        || type == datagram_type::LWR;
}

datagram::~datagram()
{
    free_internal(*this);
}

void datagram_clear(datagram& d, const char* name)
{
    d.queue_link.unlink();
    d.frame_link.unlink();
    free_internal(d);
    d.device_index = 0;
    d.type = datagram_type::none;
    std::memset(d.address, 0, sizeof d.address);
    d.data_size = 0;
    d.index = 0;
    d.working_counter = 0;
    d.state = datagram_state::init;
    d.sent_time = d.received_time = 0;
    d.skip_count = 0;
    d.skip_report_time = 0;
    std::snprintf(d.name, sizeof d.name, "%s", name);
}

int datagram_reserve(datagram& d, size_t size)
{
    if (d.capacity >= size)
        return 0;
    if (d.external)
        return result::no_memory; // lent memory too small: refuse rather than overrun it
    free_internal(d);
    d.data = new (std::nothrow) uint8_t[size];
    if (!d.data)
        return result::no_memory;
    d.capacity = size;
    return 0;
}

void datagram_attach_external(datagram& d, uint8_t* memory, size_t size)
{
    free_internal(d);
    d.data = memory;
    d.capacity = size;
    d.external = true;
}

void datagram_zero(datagram& d)
{
    if (d.data && d.data_size)
        std::memset(d.data, 0, d.data_size);
}

int datagram_prepare(datagram& d, datagram_type type, uint16_t slave_address, uint16_t offset, size_t size)
{
    if (size > max_datagram_data)
        return result::too_large; // it would fit no frame
    if (datagram_reserve(d, size) != 0)
        return result::no_memory;
    d.index = 0;
    d.working_counter = 0;
    d.state = datagram_state::init;
    d.type = type;
    write_u16(d.address, slave_address);
    write_u16(d.address + 2, offset);
    d.data_size = size;
    return 0;
}

int datagram_aprd(datagram& d, uint16_t ring_position, uint16_t offset, size_t size)
{
    return datagram_prepare(d, datagram_type::APRD, static_cast<uint16_t>(-ring_position), offset, size);
}

int datagram_apwr(datagram& d, uint16_t ring_position, uint16_t offset, size_t size)
{
    return datagram_prepare(d, datagram_type::APWR, static_cast<uint16_t>(-ring_position), offset, size);
}

int datagram_fprd(datagram& d, uint16_t station_address, uint16_t offset, size_t size)
{
    return datagram_prepare(d, datagram_type::FPRD, station_address, offset, size);
}

int datagram_fpwr(datagram& d, uint16_t station_address, uint16_t offset, size_t size)
{
    return datagram_prepare(d, datagram_type::FPWR, station_address, offset, size);
}

int datagram_frmw(datagram& d, uint16_t station_address)
{
    return datagram_prepare(d, datagram_type::FRMW, station_address, esc_register::dc_system_time, 4);
}

int datagram_brd(datagram& d, uint16_t offset, size_t size)
{
    return datagram_prepare(d, datagram_type::BRD, 0, offset, size);
}

} // namespace ecat
