#pragma once
#include <cstdint>
#include <deque>
#include <optional>

#include "sim/cards/serial_port.h"

namespace sim::cards {

// The serial-port mailbox of the custom protocol (protocol/usart.h). Transmit: the host
// stages up to 32 bytes in the send data words, their count in the send length, and a new
// send trigger hands the block to the line. Receive: bytes from the line queue up; the card
// presents up to 32 of them in the received data words with a new block number and
// "receive data available" 1, and takes the block back when the host has marked itself
// busy and then done.
class usart_mailbox {
public:
    static constexpr size_t block_size = 32;
    static constexpr size_t queue_limit = 4096;

    explicit usart_mailbox(serial_port& port) : port_(port) { }

    void install(card_hooks& hooks);
    void tick(object_dictionary& dictionary);

    size_t queued() const { return queue_.size(); }

private:
    uint32_t send_block(object_dictionary& dictionary, uint16_t trigger);
    void present(object_dictionary& dictionary);

    serial_port& port_;
    std::optional<uint16_t> last_trigger_;
    uint16_t blocks_sent_ = 0;
    std::deque<uint8_t> queue_;
    bool presented_ = false;
    bool host_busy_ = false;
    bool host_took_block_ = false;
    uint16_t block_number_ = 0xFFFF;
};

} // namespace sim::cards
