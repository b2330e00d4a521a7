#pragma once
#include <atomic>
#include <cstdint>
#include <vector>

#include <QString>

namespace ecat {
struct master;
}
struct polled_values;
struct identity_record;
enum class identity_field;
namespace card {
class card_counters;
}

// What the worker procedures see of the main window. The getters may be called from any
// thread; the notifications are called on the worker and must reach widgets only through
// the GUI thread, in the order they were made.
class worker_host {
public:
    virtual ~worker_host() = default;

    virtual ecat::master& master() = 0;
    // ring position of the selected slave, -1 when none
    virtual int selected_slave() const = 0;
    // index of the tab whose page is shown, -1 while the page set is rebuilt
    virtual int current_tab() const = 0;
    virtual polled_values& values() = 0;
    // the mailbox counters of every card, shared with the pages' sends
    virtual card::card_counters& counters() = 0;
    // the identity read's own storage; touched only by the identity read
    virtual identity_record& identity() = 0;

    // Identity read: the text of one identity field, as soon as it is read.
    virtual void identity_text(identity_field field, const QString& text) = 0;
    // Identity read: the hardware version names this card model (0..3).
    virtual void card_model_recognised(int model) = 0;
    // A message box of the main window.
    virtual void message(const QString& text) = 0;
    // Bytes the card's serial port received, for the USART page.
    virtual void usart_received(const std::vector<uint8_t>& bytes) = 0;
    // A line for the CAN page's log.
    virtual void can_log(const QString& line) = 0;
    // A block the card's serial port announced could not be fetched whole.
    virtual void usart_receive_failed(const QString& text) = 0;

    // Stop waits of this host's slots in progress on the GUI thread: work posted to the GUI
    // thread that would stop a slot itself is held back until they have ended.
    std::atomic<int> gui_waits{0};
};
