#include "ecat/fsm/pdo_reading.h"

#include <new>

#include "ecat/datagram.h"
#include "ecat/slave.h"
#include "platform/clock.h"

namespace ecat {

namespace {

void read_assign_count(pdo_reading& fsm);
void read_assigned_pdo(pdo_reading& fsm);
void read_entries(pdo_reading& fsm);
void done(pdo_reading& fsm);

constexpr uint16_t sdo_pdo_assignment = 0x1C10; // + sync manager index
constexpr uint8_t sync_manager_limit = 16;

void next_sync_manager(pdo_reading& fsm);
void next_pdo(pdo_reading& fsm);

// Starts an upload of the current assignment object and runs its first step at once.
void upload(pdo_reading& fsm, uint8_t subindex, pdo_reading_state waiting)
{
    pdo_upload_start(fsm.coe, fsm.request, *fsm.target,
                     static_cast<uint16_t>(sdo_pdo_assignment + fsm.sync_manager_index), subindex);
    fsm.state = waiting;
    waiting(fsm);
}

// Runs one step of the CoE machine; true once the upload has ended.
bool upload_ended(pdo_reading& fsm)
{
    fsm.coe.dgram = fsm.dgram;
    return !coe_exec(fsm.coe);
}

bool uploaded(const pdo_reading& fsm, size_t size)
{
    return coe_done(fsm.coe) && fsm.request.data_size == size;
}

void next_sync_manager(pdo_reading& fsm)
{
    // sync managers 0 and 1 carry the mailbox and are never read
    while (++fsm.sync_manager_index < sync_manager_limit) {
        if (fsm.sync_manager_index < fsm.target->sync_managers.size()) {
            fsm.current_sync_manager = &fsm.target->sync_managers[fsm.sync_manager_index];
            pdo_list_clear(fsm.temporary);
            upload(fsm, 0, read_assign_count);
            return;
        }
    }
    pdo_list_clear(fsm.temporary);
    fsm.state = done;
}

void next_pdo(pdo_reading& fsm)
{
    if (fsm.pdo_position > fsm.pdo_count) {
        // out of memory keeps the SII list, as any other failure does
        pdo_list_copy(fsm.current_sync_manager->pdos, fsm.temporary);
        next_sync_manager(fsm);
        return;
    }
    upload(fsm, static_cast<uint8_t>(fsm.pdo_position), read_assigned_pdo);
}

void read_assign_count(pdo_reading& fsm)
{
    if (!upload_ended(fsm))
        return;
    if (!uploaded(fsm, 1)) {
        next_sync_manager(fsm);
        return;
    }
    fsm.pdo_count = fsm.request.data[0];
    fsm.pdo_position = 1;
    next_pdo(fsm);
}

void read_assigned_pdo(pdo_reading& fsm)
{
    if (!upload_ended(fsm))
        return;
    if (!uploaded(fsm, 2)) {
        next_sync_manager(fsm); // the sync manager keeps its SII list
        return;
    }
    pdo* assigned = nullptr;
    try {
        auto item = std::make_unique<pdo>();
        item->index = read_u16(fsm.request.data);
        item->sync_manager_index = static_cast<int8_t>(fsm.sync_manager_index);
        assigned = item.get();
        fsm.temporary.push_back(std::move(item));
    } catch (const std::bad_alloc&) {
        next_sync_manager(fsm);
        return;
    }
    fsm.state = read_entries;
    if (!pdo_entry_reading_start(fsm.entries, *fsm.target, *fsm.dgram, *assigned)) {
        ++fsm.pdo_position;
        next_pdo(fsm);
    }
}

void read_entries(pdo_reading& fsm)
{
    if (pdo_entry_reading_exec(fsm.entries, *fsm.dgram))
        return;
    ++fsm.pdo_position;
    next_pdo(fsm);
}

void done(pdo_reading&) { }

} // namespace

void pdo_upload_start(coe_transfer& coe, sdo_request& request, slave& target, uint16_t index, uint8_t subindex)
{
    sdo_request_set_object(request, index, subindex);
    request.direction = sdo_direction::upload;
    request.state = request_state::queued;
    request.data_size = 0;
    request.queue_time = platform::tick_ms();
    coe_start(coe, target, request);
}

bool pdo_reading_start(pdo_reading& fsm, slave& target, datagram& d)
{
    fsm.target = &target;
    fsm.dgram = &d;
    fsm.sync_manager_index = 1;
    fsm.current_sync_manager = nullptr;
    next_sync_manager(fsm);
    return fsm.state != done;
}

bool pdo_reading_exec(pdo_reading& fsm)
{
    if (!fsm.state || fsm.state == done)
        return false;
    fsm.state(fsm);
    return fsm.state != done;
}

} // namespace ecat
