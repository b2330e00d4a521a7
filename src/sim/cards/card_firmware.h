#pragma once
#include <memory>

#include "sim/cards/card_board.h"
#include "sim/firmware/standard_application.h"

namespace sim::cards {

namespace detail {
// The board must exist before the standard firmware is built over its description.
struct board_holder {
    std::unique_ptr<card_board> board_;
};
} // namespace detail

// The firmware of an IO card: the standard firmware (AL states, mailbox, CoE) over the
// card's objects, and the card's own behaviour once per frame, as a card's main loop does.
class card_firmware : private detail::board_holder, public standard_application {
public:
    card_firmware(std::unique_ptr<card_board> board, slave_faults& faults)
        : detail::board_holder{std::move(board)},
          standard_application(board_->description(), faults)
    {
    }

    void run(pdi& chip) override
    {
        standard_application::run(chip);
        board_->tick(dictionary());
    }

    card_board& board() { return *board_; }
};

} // namespace sim::cards
