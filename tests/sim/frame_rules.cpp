#include "frame_rules.h"

namespace simtest {

bool well_formed(const std::vector<uint8_t>& frame)
{
    if (frame.size() < 28 || frame.size() > 1514 || frame[12] != 0x88 || frame[13] != 0xA4)
        return false;
    unsigned header = frame[14] | frame[15] << 8;
    if (header >> 11 != 0x2)
        return false;
    size_t end = 16 + (header & 0x7FF);
    if (end > frame.size())
        return false;
    size_t at = 16;
    bool more = true;
    while (more) {
        if (at + 12 > end)
            return false;
        unsigned length = frame[at + 6] | frame[at + 7] << 8;
        if (length & 0x3800)
            return false;
        at += 12 + (length & 0x7FF);
        if (at > end)
            return false;
        more = length & 0x8000;
    }
    return at == end;
}

} // namespace simtest
