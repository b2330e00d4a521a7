#include "ecat/fsm/slave_scan.h"

#include <new>

#include "ecat/datagram.h"
#include "ecat/fsm/al_texts.h"
#include "ecat/fsm/pdo_reading.h"
#include "ecat/fsm/retry.h"
#include "ecat/fsm/sii_categories.h"
#include "ecat/fsm/slave_configuration.h"
#include "ecat/master.h"
#include "ecat/slave.h"
#include "ecat/fsm/esc_registers.h"
#include "ecat/fsm/machine.h"

namespace ecat {

namespace {

void set_address(slave_scan& fsm);
void check_address(slave_scan& fsm);
void read_al_state(slave_scan& fsm);
void read_base(slave_scan& fsm);
void read_dc_capability(slave_scan& fsm);
void read_port_times(slave_scan& fsm);
void read_dl_status(slave_scan& fsm);
void read_sii_size(slave_scan& fsm);
void read_sii_data(slave_scan& fsm);
void read_mailbox_sms(slave_scan& fsm);
void enter_preop(slave_scan& fsm);
void read_pdos(slave_scan& fsm);
void done(slave_scan& fsm);
void failed(slave_scan& fsm);

constexpr uint16_t sii_first_category = 0x0040;
constexpr uint16_t sii_header_words = 64;
constexpr unsigned sii_search_limit = 0x1000; // words searched for the end marker
constexpr int datagram_retries = 3;

void fail_slave(slave_scan& fsm)
{
    fsm.target->error_flag = 1;
    fsm.state = failed;
}

// The slave could not be read to the end; the record is marked until a scan reads it.
void cut_short(slave_scan& fsm)
{
    fsm.incomplete = true;
    fail_slave(fsm);
}

// After the retry rule: true for a reply with counter 1. A datagram that did not come
// back cuts the scan short; a wrong counter marks the slave.
bool answered_once(slave_scan& fsm)
{
    const datagram& d = *fsm.dgram;
    if (retry_timed_out(d, fsm.retries))
        return false;
    if (d.state != datagram_state::received) {
        cut_short(fsm);
        return false;
    }
    if (d.working_counter != 1) {
        fail_slave(fsm);
        return false;
    }
    return true;
}

void read_register(slave_scan& fsm, uint16_t offset, size_t size, slave_scan_state next)
{
    if (datagram_fprd(*fsm.dgram, fsm.target->station_address, offset, size) != 0) {
        fsm.state = failed;
        return;
    }
    datagram_zero(*fsm.dgram);
    fsm.retries = datagram_retries;
    fsm.state = next;
}

void start_sii_read(slave_scan& fsm, uint16_t word_address, slave_scan_state next)
{
    fsm.sii_offset = word_address;
    sii_read_start(fsm.sii, *fsm.target, *fsm.dgram, word_address);
    sii_exec(fsm.sii);
    fsm.state = next;
}

void allocate_sii(slave_scan& fsm, unsigned words)
{
    slave& s = *fsm.target;
    s.sii_image.clear();
    try {
        s.sii_image.assign(words, 0);
    } catch (const std::bad_alloc&) {
        s.sii_image = {};
        fail_slave(fsm);
        return;
    }
    start_sii_read(fsm, 0, read_sii_data);
}

uint32_t sii_u32(const slave& s, unsigned word)
{
    return s.sii_image[word] | (static_cast<uint32_t>(s.sii_image[word + 1]) << 16);
}

void take_sii_header(slave& s)
{
    s.alias = s.effective_alias = s.sii_image[0x0004];
    s.vendor_id = sii_u32(s, 0x0008);
    s.product_code = sii_u32(s, 0x000A);
    s.revision_number = sii_u32(s, 0x000C);
    s.serial_number = sii_u32(s, 0x000E);
    s.boot_rx_mailbox_offset = s.sii_image[0x0014];
    s.boot_rx_mailbox_size = s.sii_image[0x0015];
    s.boot_tx_mailbox_offset = s.sii_image[0x0016];
    s.boot_tx_mailbox_size = s.sii_image[0x0017];
    s.std_rx_mailbox_offset = s.sii_image[0x0018];
    s.std_rx_mailbox_size = s.sii_image[0x0019];
    s.std_tx_mailbox_offset = s.sii_image[0x001A];
    s.std_tx_mailbox_size = s.sii_image[0x001B];
    s.mailbox_protocols = s.sii_image[0x001C];
}

void set_address(slave_scan& fsm)
{
    datagram& d = *fsm.dgram;
    if (datagram_apwr(d, fsm.target->ring_position, esc_register::station_address, 2) != 0) {
        fsm.state = failed;
        return;
    }
    write_u16(d.data, fsm.target->station_address);
    fsm.retries = datagram_retries;
    fsm.state = check_address;
}

void check_address(slave_scan& fsm)
{
    const datagram& d = *fsm.dgram;
    if (d.state == datagram_state::received && d.working_counter == 0) {
        fsm.absent = true;
        fail_slave(fsm);
        return;
    }
    if (!answered_once(fsm))
        return;
    read_register(fsm, esc_register::al_status, 2, read_al_state);
}

void read_al_state(slave_scan& fsm)
{
    if (!answered_once(fsm))
        return;
    slave& s = *fsm.target;
    s.current_al_state = fsm.dgram->data[0];
    read_register(fsm, esc_register::esc_base, 12, read_base);
}

void read_base(slave_scan& fsm)
{
    if (!answered_once(fsm))
        return;
    slave& s = *fsm.target;
    const uint8_t* data = fsm.dgram->data;
    s.esc_type = data[0];
    s.esc_revision = data[1];
    s.esc_build = read_u16(data + 2);
    s.fmmu_count = data[4] > max_fmmus ? max_fmmus : data[4];
    s.sync_manager_count = data[5] > max_sync_managers ? max_sync_managers : data[5];
    for (int port = 0; port < 4; ++port)
        s.ports[port].type = (data[7] >> (2 * port)) & 0x03;
    s.fmmu_bit_operation = data[8] & 0x01;
    s.dc_supported = (data[8] >> 2) & 0x01;
    s.dc_range = (data[8] & 0x08) ? 64 : 32;

    if (s.dc_supported)
        read_register(fsm, esc_register::dc_system_time, s.dc_range == 64 ? 8 : 4, read_dc_capability);
    else
        read_register(fsm, esc_register::dl_status, 2, read_dl_status);
}

void read_dc_capability(slave_scan& fsm)
{
    datagram& d = *fsm.dgram;
    if (retry_timed_out(d, fsm.retries))
        return;
    if (d.state != datagram_state::received) {
        cut_short(fsm);
        return;
    }
    // a DC slave without system time simply does not answer the read
    if (d.working_counter > 1) {
        fail_slave(fsm);
        return;
    }
    fsm.target->has_dc_system_time = d.working_counter == 1;
    read_register(fsm, esc_register::port_receive_times, 16, read_port_times);
}

void read_port_times(slave_scan& fsm)
{
    if (!answered_once(fsm))
        return;
    for (int port = 0; port < 4; ++port)
        fsm.target->ports[port].receive_time = read_u32(fsm.dgram->data + 4 * port);
    read_register(fsm, esc_register::dl_status, 2, read_dl_status);
}

void read_dl_status(slave_scan& fsm)
{
    if (!answered_once(fsm))
        return;
    uint16_t status = read_u16(fsm.dgram->data);
    for (int port = 0; port < 4; ++port) {
        slave_port& p = fsm.target->ports[port];
        p.link_up = (status >> (4 + port)) & 0x01;
        p.loop_closed = (status >> (8 + 2 * port)) & 0x01;
        p.signal_detected = (status >> (9 + 2 * port)) & 0x01;
    }
    start_sii_read(fsm, sii_first_category, read_sii_size);
}

// Follows the category headers to the end marker to learn how much SII to read.
void read_sii_size(slave_scan& fsm)
{
    if (sii_exec(fsm.sii))
        return;
    if (!sii_done(fsm.sii)) {
        fsm.target->error_flag = 1;
        fsm.incomplete = true;
        allocate_sii(fsm, sii_header_words);
        return;
    }
    uint16_t type = fsm.sii.value & 0xFFFF;
    uint16_t size = fsm.sii.value >> 16;
    if (type == sii_category_end) {
        allocate_sii(fsm, fsm.sii_offset + 1u);
        return;
    }
    unsigned next = fsm.sii_offset + 2u + size;
    if (next < sii_search_limit) {
        start_sii_read(fsm, static_cast<uint16_t>(next), read_sii_size);
        return;
    }
    allocate_sii(fsm, sii_header_words); // no end marker: keep only the fixed header
}

void read_sii_data(slave_scan& fsm)
{
    if (sii_exec(fsm.sii))
        return;
    if (!sii_done(fsm.sii)) {
        cut_short(fsm);
        return;
    }
    slave& s = *fsm.target;
    size_t size = s.sii_image.size();
    s.sii_image[fsm.sii_offset] = fsm.sii.value & 0xFFFF;
    if (fsm.sii_offset + 1u < size)
        s.sii_image[fsm.sii_offset + 1u] = fsm.sii.value >> 16;
    if (fsm.sii_offset + 2u < size) {
        start_sii_read(fsm, static_cast<uint16_t>(fsm.sii_offset + 2u), read_sii_data);
        return;
    }

    take_sii_header(s);
    if (size == sii_header_words) {
        fsm.state = done;
        return;
    }
    if (!sii_parse_categories(s)) {
        fail_slave(fsm);
        return;
    }
    if (!(s.mailbox_protocols & mailbox_protocol_coe)) {
        fsm.state = done;
        return;
    }
    uint8_t state = s.current_al_state & 0x0F;
    if (state == al_state_preop || state == al_state_safeop || state == al_state_op) {
        read_register(fsm, esc_register::sync_manager, 16, read_mailbox_sms);
        return;
    }
    s.requested_al_state = al_state_preop;
    s.error_flag = 0;
    slave_configuration_start(*fsm.configuration, s);
    fsm.state = enter_preop;
    enter_preop(fsm);
}

void start_pdo_reading(slave_scan& fsm)
{
    fsm.state = pdo_reading_start(*fsm.pdos, *fsm.target, *fsm.dgram) ? read_pdos : done;
}

void read_mailbox_sms(slave_scan& fsm)
{
    if (!answered_once(fsm))
        return;
    slave& s = *fsm.target;
    const uint8_t* data = fsm.dgram->data;
    s.configured_rx_mailbox_offset = read_u16(data);
    s.configured_rx_mailbox_size = read_u16(data + 2);
    s.configured_tx_mailbox_offset = read_u16(data + 8);
    s.configured_tx_mailbox_size = read_u16(data + 10);
    start_pdo_reading(fsm);
}

void enter_preop(slave_scan& fsm)
{
    if (slave_configuration_exec(*fsm.configuration))
        return;
    if (!slave_configuration_done(*fsm.configuration)) {
        fsm.state = failed;
        return;
    }
    start_pdo_reading(fsm);
}

void read_pdos(slave_scan& fsm)
{
    if (pdo_reading_exec(*fsm.pdos))
        return;
    fsm.state = done;
}

void done(slave_scan&) { }
void failed(slave_scan&) { }

} // namespace

void slave_scan_init(slave_scan& fsm, datagram& d, slave_configuration& configuration, pdo_reading& pdos)
{
    fsm.dgram = &d;
    fsm.configuration = &configuration;
    fsm.pdos = &pdos;
    fsm.target = nullptr;
    fsm.state = done;
}

void slave_scan_start(slave_scan& fsm, slave& target)
{
    fsm.target = &target;
    fsm.sii_offset = 0;
    fsm.incomplete = false;
    fsm.absent = false;
    fsm.state = set_address;
}

bool slave_scan_exec(slave_scan& fsm)
{
    return machine_step(fsm, done, failed);
}

bool slave_scan_done(const slave_scan& fsm)
{
    return fsm.state == done;
}

bool slave_scan_failed(const slave_scan& fsm)
{
    return fsm.state == failed;
}

bool slave_scan_incomplete(const slave_scan& fsm)
{
    return fsm.incomplete;
}

bool slave_scan_absent(const slave_scan& fsm)
{
    return fsm.absent;
}

} // namespace ecat
