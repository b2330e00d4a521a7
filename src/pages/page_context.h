#pragma once
#include <functional>
#include <vector>

#include <QString>

class QWidget;
struct polled_values;
namespace ecat {
struct master;
}
namespace card {
class card_counters;
}

// A serial line the PC port list offers beside the system's ports.
struct extra_serial_port {
    QString device; // the path to open, e.g. /dev/pts/5
    QString label;  // what the list shows, e.g. "/dev/pts/5 (模拟 ZEIO 0)"
};

// All a test page sees of the main window. The main window implements it; tests give a
// page a fake one. master(), selected_slave(), values() and counters() may be called from any thread;
// message() only on the GUI thread.
class page_context {
public:
    virtual ~page_context() = default;

    virtual ecat::master& master() = 0;
    // ring position of the selected slave, -1 when none
    virtual int selected_slave() const = 0;
    // the block the poll procedures keep up to date while the page's tab is shown
    virtual polled_values& values() = 0;
    // the mailbox counters of every card, shared with the poll procedures
    virtual card::card_counters& counters() = 0;
    // The tool's one message box (OK only), modal to owner.
    virtual void message_box(QWidget* owner, const QString& text, const QString& caption) = 0;
    // Runs work on the GUI thread, after what was posted before it; callable from any thread.
    virtual void post_to_gui(std::function<void()> work) = 0;
    // The simulated cards' serial lines, for the PC port list; none on real hardware.
    virtual std::vector<extra_serial_port> simulated_serial_ports() = 0;
};
