#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace sim::cards {

// The Modbus RTU slave on the jig's serial line: 256 coils and holding registers that keep
// what is written, 256 discrete inputs and input registers with fixed patterns. Frames for
// another slave id, or with a broken CRC, get no answer, as on a real line.
class modbus_jig_slave {
public:
    static constexpr uint8_t slave_id = 1;
    static constexpr size_t size = 256;

    // The reply to one request frame; empty when the slave stays silent.
    std::vector<uint8_t> answer(const uint8_t* frame, size_t length);

    static bool discrete_input(size_t address) { return (0xA5u >> (address % 8)) & 1; }
    static uint16_t input_register(size_t address) { return uint16_t(0x1000 + address); }
    uint16_t holding_register(size_t address) const { return holding_[address]; }
    bool coil(size_t address) const { return coils_[address]; }

private:
    std::vector<uint8_t> read_bits(uint8_t function, uint16_t address, uint16_t count) const;
    std::vector<uint8_t> read_words(uint8_t function, uint16_t address, uint16_t count) const;
    std::vector<uint8_t> write(const uint8_t* frame, size_t length);

    std::array<bool, size> coils_{};
    std::array<uint16_t, size> holding_{};
};

} // namespace sim::cards
