#pragma once
#include <cstring>
#include <string>

#include "jig_fixture.h"

namespace cardtest {

// A card's serial port driven through its objects: the custom-protocol mailbox and the
// Modbus channels.
class serial_jig : public jig_fixture {
protected:
    void stage(size_t id, const std::string& text, uint16_t trigger)
    {
        uint8_t block[32] = {};
        std::memcpy(block, text.data(), text.size());
        for (uint8_t word = 0; word < 8; ++word)
            ASSERT_EQ(write(id, 0x2602, uint8_t(word + 1), sim::get32(block + 4 * word), 4), 0u);
        ASSERT_EQ(write(id, 0x2600, 4, text.size(), 2), 0u);
        ASSERT_EQ(write(id, 0x2600, 3, trigger, 2), 0u);
    }
    std::string presented(size_t id)
    {
        std::string text;
        for (uint8_t word = 0; word < 8; ++word) {
            uint32_t value = uint32_t(read(id, 0x2603, uint8_t(word + 1)));
            for (int i = 0; i < 4; ++i)
                text.push_back(char(value >> (8 * i)));
        }
        return text.substr(0, read(id, 0x2601, 4));
    }
    void take_block(size_t id)
    {
        write(id, 0x2601, 2, 0x00FF, 2);
        write(id, 0x2601, 2, 0, 2);
    }
    void channel(size_t id, uint16_t index, uint16_t address, uint8_t bits, uint8_t slave, uint8_t type)
    {
        ASSERT_EQ(write(id, index, 2, address, 2), 0u);
        ASSERT_EQ(write(id, index, 3, bits, 1), 0u);
        ASSERT_EQ(write(id, index, 4, slave, 1), 0u);
        ASSERT_EQ(write(id, index, 5, type, 1), 0u);
        ASSERT_EQ(write(id, index, 6, 1, 1), 0u);
    }
};

} // namespace cardtest
