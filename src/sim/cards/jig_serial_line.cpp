#include "sim/cards/jig_serial_line.h"

namespace sim::cards {

void jig_serial_line::send(const uint8_t* data, size_t length)
{
    if (!modbus_) {
        if (faults_.answers(jig_peer::serial_loop_back))
            arrived_.insert(arrived_.end(), data, data + length);
        return;
    }
    if (!faults_.answers(jig_peer::modbus_slave))
        return;
    // the card's Modbus master sends one whole request at a time
    std::vector<uint8_t> reply = slave_.answer(data, length);
    arrived_.insert(arrived_.end(), reply.begin(), reply.end());
}

size_t jig_serial_line::receive(uint8_t* out, size_t room)
{
    size_t count = 0;
    while (count < room && !arrived_.empty()) {
        out[count++] = arrived_.front();
        arrived_.pop_front();
    }
    return count;
}

} // namespace sim::cards
