#include "ecat/fsm/mailbox.h"

#include <cstring>

#include "ecat/datagram.h"
#include "ecat/slave.h"
#include "ecat/fsm/esc_registers.h"
#include "ecat/result.h"

namespace ecat {

namespace {

struct mailbox_error {
    uint16_t code;
    const char* text;
};

const mailbox_error mailbox_errors[] = {
    {0x0001, "MBXERR_SYNTAX"},
    {0x0002, "MBXERR_UNSUPPORTEDPROTOCOL"},
    {0x0003, "MBXERR_INVAILDCHANNEL"},
    {0x0004, "MBXERR_SERVICENOTSUPPORTED"},
    {0x0005, "MBXERR_INVALIDHEADER"},
    {0x0006, "MBXERR_SIZETOOSHORT"},
    {0x0007, "MBXERR_NOMOREMEMORY"},
    {0x0008, "MBXERR_INVALIDSIZE"},
    {0x0000, nullptr},
};

} // namespace

const char* mailbox_error_text(uint16_t code)
{
    for (const mailbox_error* entry = mailbox_errors; entry->code; ++entry)
        if (entry->code == code)
            return entry->text;
    return nullptr;
}

uint8_t mailbox_next_counter(slave& s)
{
    uint8_t counter = s.next_mailbox_counter;
    s.next_mailbox_counter = static_cast<uint8_t>(counter % 7 + 1);
    return counter;
}

uint8_t* mailbox_prepare_send(slave& s, datagram& d, uint8_t type, size_t size, uint8_t counter, int& error)
{
    if (!s.mailbox_protocols) {
        error = result::no_coe;
        return nullptr;
    }
    if (s.configured_rx_mailbox_size < size + mailbox_header_size) {
        error = result::too_large;
        return nullptr;
    }
    if (int result = datagram_fpwr(d, s.station_address, s.configured_rx_mailbox_offset, s.configured_rx_mailbox_size);
        result != 0) {
        error = result;
        return nullptr;
    }
    std::memset(d.data, 0, d.data_size);
    write_u16(d.data, static_cast<uint16_t>(size));
    write_u16(d.data + 2, s.station_address);
    d.data[4] = 0;
    d.data[5] = static_cast<uint8_t>((type & 0x0F) | ((counter & 0x07) << 4));
    error = 0;
    return d.data + mailbox_header_size;
}

int mailbox_prepare_check(slave& s, datagram& d)
{
    if (datagram_fprd(d, s.station_address, esc_register::sync_manager_1, 8) != 0)
        return result::no_memory;
    datagram_zero(d);
    return 0;
}

bool mailbox_full(const datagram& d)
{
    return d.data_size >= 6 && (d.data[5] & 0x08);
}

bool mailbox_status_empty(const datagram& d)
{
    return d.type == datagram_type::FPRD && read_u16(d.address + 2) == esc_register::sync_manager_1
        && d.state == datagram_state::received && d.working_counter == 1 && !mailbox_full(d);
}

int mailbox_prepare_fetch(slave& s, datagram& d)
{
    if (datagram_fprd(d, s.station_address, s.configured_tx_mailbox_offset, s.configured_tx_mailbox_size) != 0)
        return result::no_memory;
    datagram_zero(d);
    return 0;
}

int mailbox_parse_fetched(const slave& s, const datagram& d, mailbox_message& message)
{
    // the length comes from the slave: it must fit both the mailbox and what was read
    if (d.data_size < mailbox_header_size)
        return result::mailbox_error;
    size_t length = read_u16(d.data);
    if (s.configured_tx_mailbox_size < length + mailbox_header_size || d.data_size < length + mailbox_header_size)
        return result::mailbox_error;
    uint8_t type = d.data[5] & 0x0F;
    if (type == mailbox_type_error) {
        // the reply's service data: type 1 (error), then the error code
        if (length >= 4)
            message.error_code = read_u16(d.data + mailbox_header_size + 2);
        return result::mailbox_error;
    }
    message.payload = d.data + mailbox_header_size;
    message.length = length;
    message.type = type;
    return 0;
}

} // namespace ecat
