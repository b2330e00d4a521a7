#include "sim/bus/reply_mutator.h"

#include "sim/chip/byte_order.h"

namespace sim {

namespace {

constexpr size_t first_datagram = ethernet_header_size + ethercat_header_size;
constexpr uint16_t more_bit_mask = 0x8000;
constexpr uint16_t sii_data_register = 0x0508;
constexpr uint16_t al_status_register = 0x0130;
// a mailbox answer starts with a 6-byte mailbox header, then the 2-byte CoE header
constexpr size_t mailbox_header_size = 6;
constexpr size_t smallest_mailbox_read = 16;

uint16_t register_address(const datagram_view& d)
{
    return get16(d.address() + 2);
}

// Interesting values for a 16-bit length or size field.
uint16_t lying_length(random_source& random, uint16_t honest)
{
    switch (random.next() % 5) {
    case 0: return 0;
    case 1: return 0xFFFF;
    case 2: return uint16_t(honest + 1 + random.next() % 8);
    case 3: return uint16_t(honest > 0 ? honest - 1 : 0);
    default: return uint16_t(random.next());
    }
}

} // namespace

bool reply_mutator::maybe_mutate(std::vector<uint8_t>& frame, random_source& random)
{
    if (probability_ <= 0 || random.unit() >= probability_)
        return false;
    mutate(frame, kind(random.next() % kind_count), random);
    return true;
}

void reply_mutator::mutate(std::vector<uint8_t>& frame, kind which, random_source& random)
{
    ++mutated_;
    if (which == truncated) {
        size_t keep = frame.size() > 1 ? size_t(random.next() % frame.size()) : 0;
        frame.resize(keep);
        return;
    }
    if (!parse_frame(frame.data(), frame.size(), datagrams_) || datagrams_.empty())
        return;
    datagram_view& d = datagrams_[size_t(random.next() % datagrams_.size())];
    uint8_t* length_word = d.header + 6;
    switch (which) {
    case datagram_length: {
        uint16_t flags = get16(length_word) & 0xF800;
        put16(length_word, uint16_t(flags | (lying_length(random, d.length) & 0x07FF)));
        break;
    }
    case more_bit: put16(length_word, get16(length_word) ^ more_bit_mask); break;
    case index_or_command:
        if (random.next() % 2)
            d.header[1] = uint8_t(d.header[1] + 1 + random.next() % 255);
        else
            d.header[0] = uint8_t(random.next() % 16);
        break;
    case working_counter:
        put16(d.working_counter(), uint16_t(random.next() % 4 == 0 ? random.next() : get16(d.working_counter()) + 1));
        break;
    case mailbox_header:
        if (d.length >= smallest_mailbox_read) {
            if (random.next() % 2)
                put16(d.data, lying_length(random, get16(d.data)));
            else
                d.data[5] = uint8_t(random.next()); // type and counter
        }
        break;
    case coe_header:
        // impossible SDO answers only: a lie that forms a well-made answer (another value
        // in an expedited reply) is no fault a master can see
        if (d.length >= smallest_mailbox_read) {
            uint8_t& command = d.data[8];
            const bool segment = (command & 0xE0) == 0x00 || (command & 0xE0) == 0x20;
            const bool normal_upload = (command & 0xE3) == 0x41;
            switch (random.next() % 3) {
            case 0:
                // block transfer specifiers nobody asked for
                command = uint8_t(0xA0 | (random.next() & 0x1F));
                break;
            case 1:
                if (segment)
                    command ^= 0x10; // the other toggle
                else
                    command = uint8_t(random.next() % 2 ? 0x00 : 0x20); // a segment instead of an initiate
                break;
            default:
                if (normal_upload)
                    put32(d.data + 12, random.next() % 2 ? 0 : 0x40000000u); // no size, or past any bound
                else
                    put16(d.data + mailbox_header_size, uint16_t(0x2000 | (random.next() & 0x0FFF))); // service 2
                break;
            }
        }
        break;
    case sii_data:
        if (register_address(d) == sii_data_register && d.length >= 2)
            put16(d.data + (random.next() % 2 && d.length >= 4 ? 2 : 0), lying_length(random, 0));
        break;
    case al_status:
        if (register_address(d) <= al_status_register && register_address(d) + d.length > al_status_register) {
            uint8_t* status = d.data + (al_status_register - register_address(d));
            size_t room = d.length - (al_status_register - register_address(d));
            for (size_t i = 0; i < room && i < 6; ++i)
                status[i] = uint8_t(random.next());
        }
        break;
    case truncated:
    case kind_count: break;
    }
}

} // namespace sim
