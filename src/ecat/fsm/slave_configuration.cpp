#include "ecat/fsm/slave_configuration.h"

#include "ecat/datagram.h"
#include "ecat/fsm/al_texts.h"
#include "ecat/fsm/retry.h"
#include "ecat/slave.h"
#include "ecat/fsm/esc_registers.h"
#include "ecat/fsm/machine.h"

namespace ecat {

namespace {

void start(slave_configuration& fsm);
void init(slave_configuration& fsm);
void clear_fmmus(slave_configuration& fsm);
void clear_sync(slave_configuration& fsm);
void clear_dc_assign(slave_configuration& fsm);
void mailbox_sync(slave_configuration& fsm);
void preop(slave_configuration& fsm);
void done(slave_configuration& fsm);
void failed(slave_configuration& fsm);

constexpr size_t fmmu_size = 16;
constexpr size_t sync_manager_size = 8;
constexpr uint8_t mailbox_rx_control = 0x26; // one buffer, write access, interrupt to the PDI
constexpr uint8_t mailbox_tx_control = 0x22; // one buffer, read access, interrupt to the PDI
constexpr uint32_t mailbox_setup_limit_ms = 1000;
constexpr int datagram_retries = 3;

void go_dc_clearing(slave_configuration& fsm);
void go_mailbox_setup(slave_configuration& fsm);
void go_state_change(slave_configuration& fsm);

// Fails the configuration; a state change the slave made on its own is not its error.
void fail_change(slave_configuration& fsm)
{
    if (!fsm.change->spontaneous_change)
        fsm.target->error_flag = 1;
    fsm.state = failed;
}

void fail_slave(slave_configuration& fsm)
{
    fsm.target->error_flag = 1;
    fsm.state = failed;
}

// Prepares an FPWR of zeros; false when the buffer cannot be had.
bool write_zeros(slave_configuration& fsm, uint16_t offset, size_t size)
{
    datagram& d = *fsm.dgram;
    if (datagram_fpwr(d, fsm.target->station_address, offset, size) != 0)
        return false;
    datagram_zero(d);
    fsm.retries = datagram_retries;
    return true;
}

void put_sync_manager(uint8_t* entry, uint16_t start, uint16_t length, uint8_t control, bool activate)
{
    write_u16(entry, start);
    write_u16(entry + 2, length);
    entry[4] = control;
    entry[5] = 0;
    entry[6] = activate ? 1 : 0;
    entry[7] = 0;
}

// Writes SM0/SM1 as the receive and send mailbox and records them as configured.
bool write_mailbox_sync_managers(slave_configuration& fsm)
{
    slave& s = *fsm.target;
    datagram& d = *fsm.dgram;
    uint16_t rx_offset, rx_size, tx_offset, tx_size;
    uint8_t rx_control = mailbox_rx_control, tx_control = mailbox_tx_control;
    bool rx_active, tx_active;
    size_t size = 2 * sync_manager_size;

    if (s.requested_al_state != al_state_boot && s.sync_managers.size() > 1) {
        const sync_manager& rx = s.sync_managers[0];
        const sync_manager& tx = s.sync_managers[1];
        auto enabled = [](const sync_manager& sm) { return (sm.enable & 0x01) && sm.length && !(sm.enable & 0x04); };
        rx_offset = rx.physical_start, rx_size = rx.length, rx_control = rx.control, rx_active = enabled(rx);
        tx_offset = tx.physical_start, tx_size = tx.length, tx_control = tx.control, tx_active = enabled(tx);
        size = s.sync_managers.size() * sync_manager_size;
    } else if (s.requested_al_state == al_state_boot) {
        rx_offset = s.boot_rx_mailbox_offset, rx_size = s.boot_rx_mailbox_size;
        tx_offset = s.boot_tx_mailbox_offset, tx_size = s.boot_tx_mailbox_size;
        rx_active = rx_size != 0, tx_active = tx_size != 0;
    } else {
        rx_offset = s.std_rx_mailbox_offset, rx_size = s.std_rx_mailbox_size;
        tx_offset = s.std_tx_mailbox_offset, tx_size = s.std_tx_mailbox_size;
        rx_active = rx_size != 0, tx_active = tx_size != 0;
    }

    if (datagram_fpwr(d, s.station_address, esc_register::sync_manager, size) != 0)
        return false;
    datagram_zero(d);
    put_sync_manager(d.data, rx_offset, rx_size, rx_control, rx_active);
    put_sync_manager(d.data + sync_manager_size, tx_offset, tx_size, tx_control, tx_active);
    s.configured_rx_mailbox_offset = rx_offset, s.configured_rx_mailbox_size = rx_size;
    s.configured_tx_mailbox_offset = tx_offset, s.configured_tx_mailbox_size = tx_size;
    fsm.retries = datagram_retries;
    return true;
}

void start(slave_configuration& fsm)
{
    al_change_start(*fsm.change, *fsm.target, *fsm.dgram, al_state_init);
    fsm.state = init;
    init(fsm);
}

void init(slave_configuration& fsm)
{
    if (al_change_exec(*fsm.change))
        return;
    if (!al_change_done(*fsm.change)) {
        fail_change(fsm);
        return;
    }
    slave& s = *fsm.target;
    if (s.fmmu_count > 0) {
        fsm.state = write_zeros(fsm, esc_register::fmmu, s.fmmu_count * fmmu_size) ? clear_fmmus : failed;
        return;
    }
    if (s.sync_manager_count > 0) {
        fsm.state = write_zeros(fsm, esc_register::sync_manager, s.sync_manager_count * sync_manager_size) ? clear_sync
                                                                                                           : failed;
        return;
    }
    go_dc_clearing(fsm);
}

// A reply with the counter of one slave; a lost one fails the machine, another counter the slave.
bool answered_once(slave_configuration& fsm)
{
    if (!reply_ready(fsm, failed, -1))
        return false;
    if (fsm.dgram->working_counter != 1) {
        fail_slave(fsm);
        return false;
    }
    return true;
}

void clear_fmmus(slave_configuration& fsm)
{
    if (!answered_once(fsm))
        return;
    slave& s = *fsm.target;
    if (s.sync_manager_count > 0) {
        fsm.state = write_zeros(fsm, esc_register::sync_manager, s.sync_manager_count * sync_manager_size) ? clear_sync
                                                                                                           : failed;
        return;
    }
    go_dc_clearing(fsm);
}

void clear_sync(slave_configuration& fsm)
{
    if (!answered_once(fsm))
        return;
    go_dc_clearing(fsm);
}

void go_dc_clearing(slave_configuration& fsm)
{
    slave& s = *fsm.target;
    if (s.dc_supported && s.has_dc_system_time) {
        fsm.state = write_zeros(fsm, esc_register::dc_activation, 2) ? clear_dc_assign : failed;
        return;
    }
    go_mailbox_setup(fsm);
}

void clear_dc_assign(slave_configuration& fsm)
{
    // any counter will do: clearing the activation is a precaution
    if (!reply_ready(fsm, failed, -1))
        return;
    go_mailbox_setup(fsm);
}

void go_mailbox_setup(slave_configuration& fsm)
{
    slave& s = *fsm.target;
    if (s.current_al_state == s.requested_al_state) {
        fsm.state = done;
        return;
    }
    if (!s.mailbox_protocols) {
        go_state_change(fsm);
        return;
    }
    if (!write_mailbox_sync_managers(fsm)) {
        fsm.state = failed;
        return;
    }
    fsm.take_time = true;
    fsm.state = mailbox_sync;
}

void mailbox_sync(slave_configuration& fsm)
{
    if (!reply_ready(fsm, failed, -1))
        return;
    datagram& d = *fsm.dgram;
    if (fsm.take_time) {
        fsm.start_time = d.sent_time;
        fsm.take_time = false;
    }
    if (d.working_counter == 1) {
        go_state_change(fsm);
        return;
    }
    // a slave that is still starting may not accept the write yet
    if (d.working_counter == 0 && d.received_time - fsm.start_time < mailbox_setup_limit_ms) {
        if (!write_mailbox_sync_managers(fsm))
            fsm.state = failed;
        return;
    }
    fail_slave(fsm);
}

void go_state_change(slave_configuration& fsm)
{
    uint16_t target = fsm.target->requested_al_state == al_state_boot ? al_state_boot : al_state_preop;
    al_change_start(*fsm.change, *fsm.target, *fsm.dgram, target);
    fsm.state = preop;
    preop(fsm);
}

void preop(slave_configuration& fsm)
{
    if (al_change_exec(*fsm.change))
        return;
    if (!al_change_done(*fsm.change)) {
        fail_change(fsm);
        return;
    }
    fsm.state = done;
}

void done(slave_configuration&) { }
void failed(slave_configuration&) { }

} // namespace

void slave_configuration_init(slave_configuration& fsm, datagram& d, al_state_change& change)
{
    fsm.dgram = &d;
    fsm.change = &change;
    fsm.target = nullptr;
    fsm.state = done;
}

void slave_configuration_start(slave_configuration& fsm, slave& target)
{
    fsm.target = &target;
    fsm.take_time = false;
    fsm.state = start;
}

bool slave_configuration_exec(slave_configuration& fsm)
{
    return machine_step(fsm, done, failed);
}

bool slave_configuration_done(const slave_configuration& fsm)
{
    return fsm.state == done;
}

bool slave_configuration_failed(const slave_configuration& fsm)
{
    return fsm.state == failed;
}

} // namespace ecat
