#include <new>

#include "ecat/datagram.h"
#include "ecat/fsm/pdo_reading.h"

namespace ecat {

namespace {

void read_entry_count(pdo_entry_reading& fsm);
void read_entry(pdo_entry_reading& fsm);
void finished(pdo_entry_reading& fsm);

constexpr const char* gap_name = "Gap"; // entry 0:0 only pads the mapping

void next_entry(pdo_entry_reading& fsm);

// Starts an upload of the PDO's mapping object and runs its first step at once.
void upload(pdo_entry_reading& fsm, uint8_t subindex, pdo_entry_reading_state waiting)
{
    datagram* lent = fsm.coe.dgram;
    pdo_upload_start(fsm.coe, fsm.request, *fsm.coe.target, fsm.target->index, subindex);
    fsm.coe.dgram = lent;
    fsm.state = waiting;
    waiting(fsm);
}

bool uploaded(const pdo_entry_reading& fsm, size_t size)
{
    return coe_done(fsm.coe) && fsm.request.data_size == size;
}

void read_entry_count(pdo_entry_reading& fsm)
{
    if (coe_exec(fsm.coe))
        return;
    if (!uploaded(fsm, 1)) {
        fsm.state = finished;
        return;
    }
    fsm.entry_count = fsm.request.data[0];
    fsm.entry_position = 1;
    next_entry(fsm);
}

void next_entry(pdo_entry_reading& fsm)
{
    if (fsm.entry_position > fsm.entry_count) {
        fsm.state = finished;
        return;
    }
    upload(fsm, static_cast<uint8_t>(fsm.entry_position), read_entry);
}

void read_entry(pdo_entry_reading& fsm)
{
    if (coe_exec(fsm.coe))
        return;
    if (!uploaded(fsm, 4)) {
        fsm.state = finished; // the PDO keeps the entries read so far
        return;
    }
    uint32_t value = read_u32(fsm.request.data);
    pdo_entry entry;
    entry.index = static_cast<uint16_t>(value >> 16);
    entry.subindex = static_cast<uint8_t>(value >> 8);
    entry.bit_length = static_cast<uint8_t>(value);
    try {
        if (entry.index == 0 && entry.subindex == 0)
            entry.name = gap_name;
        fsm.target->entries.push_back(std::move(entry));
    } catch (const std::bad_alloc&) {
        fsm.state = finished;
        return;
    }
    ++fsm.entry_position;
    next_entry(fsm);
}

void finished(pdo_entry_reading&) { }

} // namespace

bool pdo_entry_reading_start(pdo_entry_reading& fsm, slave& owner, datagram& d, pdo& target)
{
    fsm.target = &target;
    fsm.entry_count = fsm.entry_position = 0;
    fsm.coe.target = &owner;
    fsm.coe.dgram = &d;
    upload(fsm, 0, read_entry_count);
    return fsm.state != finished;
}

bool pdo_entry_reading_exec(pdo_entry_reading& fsm, datagram& d)
{
    if (!fsm.state || fsm.state == finished)
        return false;
    fsm.coe.dgram = &d;
    fsm.state(fsm);
    return fsm.state != finished;
}

} // namespace ecat
