#include "sim/chip/esc_commands.h"

#include <algorithm>
#include <array>

#include "sim/chip/byte_order.h"

namespace sim {

namespace {

void add_to_counter(datagram_view& datagram, unsigned increment)
{
    uint8_t* counter = datagram.working_counter();
    put16(counter, uint16_t(get16(counter) + increment));
}

// read-write: the frame leaves with the old contents, the memory keeps the frame's data
unsigned read_write(esc& controller, uint16_t offset, uint8_t* data, uint16_t length)
{
    std::array<uint8_t, 2048> incoming{};
    std::copy_n(data, length, incoming.begin());
    unsigned increment = controller.ecat_read(offset, data, length) ? 1 : 0;
    if (controller.ecat_write(offset, incoming.data(), length))
        increment += 2;
    return increment;
}

unsigned broadcast_read(esc& controller, uint16_t offset, uint8_t* data, uint16_t length, bool also_write)
{
    std::array<uint8_t, 2048> incoming{};
    std::array<uint8_t, 2048> contents{};
    std::copy_n(data, length, incoming.begin());
    unsigned increment = 0;
    if (controller.ecat_read(offset, contents.data(), length)) {
        increment = 1;
        for (uint16_t i = 0; i < length; ++i)
            data[i] = uint8_t(incoming[i] | contents[i]);
    }
    if (also_write && controller.ecat_write(offset, incoming.data(), length))
        increment += 2;
    return increment;
}

unsigned physical_access(esc& controller, uint8_t kind, uint16_t offset, datagram_view& datagram)
{
    switch (kind) {
    case 0: // read
        return controller.ecat_read(offset, datagram.data, datagram.length) ? 1 : 0;
    case 1: // write
        return controller.ecat_write(offset, datagram.data, datagram.length) ? 1 : 0;
    default: return read_write(controller, offset, datagram.data, datagram.length);
    }
}

} // namespace

void process_datagram(esc& controller, datagram_view& datagram)
{
    uint8_t* address = datagram.address();
    uint16_t position = get16(address);
    uint16_t offset = get16(address + 2);
    uint8_t code = datagram.command();
    unsigned increment = 0;
    switch (code) {
    case aprd:
    case apwr:
    case aprw:
        if (position == 0)
            increment = physical_access(controller, uint8_t(code - aprd), offset, datagram);
        put16(address, uint16_t(position + 1));
        break;
    case fprd:
    case fpwr:
    case fprw:
        if (controller.answers_station_address(position))
            increment = physical_access(controller, uint8_t(code - fprd), offset, datagram);
        break;
    case brd:
    case brw:
        increment = broadcast_read(controller, offset, datagram.data, datagram.length, code == brw);
        put16(address, uint16_t(position + 1));
        break;
    case bwr:
        increment = controller.ecat_write(offset, datagram.data, datagram.length) ? 1 : 0;
        put16(address, uint16_t(position + 1));
        break;
    case lrd:
    case lwr:
    case lrw: increment = controller.logical_access(code, get32(address), datagram.data, datagram.length); break;
    case armw:
        increment = position == 0 ? physical_access(controller, 0, offset, datagram)
                                  : physical_access(controller, 1, offset, datagram);
        put16(address, uint16_t(position + 1));
        break;
    case frmw:
        increment = controller.answers_station_address(position) ? physical_access(controller, 0, offset, datagram)
                                                                 : physical_access(controller, 1, offset, datagram);
        break;
    default: break; // NOP and reserved commands pass unchanged
    }
    if (increment)
        add_to_counter(datagram, increment);
}

} // namespace sim
