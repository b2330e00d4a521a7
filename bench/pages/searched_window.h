#pragma once
#include <memory>
#include <optional>
#include <string>

#include "app/CKestIO_TestDlg.h"

class QTabBar;
namespace sim {
class bus;
}

namespace bench {

// The main window over a simulated bus of these cards after the operator's search: the
// cards are listed and the first card's pages are built.
struct searched_window {
    std::shared_ptr<sim::bus> bus;
    // the bench's own master, on the heap so that the window's reference survives a move
    std::unique_ptr<ecat::master> master = std::make_unique<ecat::master>();
    std::unique_ptr<CKestIO_TestDlg> window;
    QTabBar* tabs = nullptr;
};

// Waits until the bus holds `cards` slaves and, when tab_count is not 0, until the first
// card shows that many tabs. Empty, with a line on standard error, when the bus cannot be made.
std::optional<searched_window> open_searched_window(const std::string& spec, unsigned cards, int tab_count);

} // namespace bench
