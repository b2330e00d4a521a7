#pragma once
#include <cstdint>
#include <vector>

namespace sim {

// The ESC's EEPROM (SII) controller behind registers 0x0500-0x050F. A command written to
// 0x0503 runs for a number of status polls (busy bit and command bits set), then completes:
// a read places two words at 0x0508, a write stores the word at 0x0508 (needs write enable).
class sii_interface {
public:
    explicit sii_interface(std::vector<uint16_t> image);

    // Register bytes 0x0500-0x050F of the owning ESC's memory; sets their power-up values.
    void attach(uint8_t* registers);
    // The EtherCAT side wrote the control/status word; either byte may be absent.
    void control_written(const uint8_t* low_byte, const uint8_t* high_byte);
    // The EtherCAT side has read the control/status word.
    void status_polled();

    // How many status reads see a command busy before it completes.
    void set_busy_polls(unsigned polls) { busy_polls_ = polls; }
    // The next count commands end with the command error bit instead of completing.
    void inject_command_errors(unsigned count) { command_errors_ = count; }

    // While a command runs the chip ignores writes to the address and data registers.
    bool busy() const;
    // A word of the EEPROM; words beyond the image read as erased (0xFFFF).
    uint16_t word(uint32_t address) const;
    const std::vector<uint16_t>& image() const { return image_; }

private:
    uint16_t status() const;
    void set_status(uint16_t value);
    void complete();

    std::vector<uint16_t> image_;
    uint8_t* registers_ = nullptr;
    unsigned busy_polls_ = 0;
    unsigned polls_left_ = 0;
    unsigned command_errors_ = 0;
};

} // namespace sim
