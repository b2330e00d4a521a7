#pragma once
#include <atomic>
#include <functional>

#include <QCoreApplication>
#include <QStringList>

#include "card/card_counters.h"
#include "card/polled_values.h"
#include "ecat/master.h"
#include "pages/page_context.h"

namespace apptest {

// A page's context without a main window: the test sets the selection and the polled
// values, and the message boxes are recorded as "caption: text".
class fake_page_context : public page_context {
public:
    // the test's own master, which it starts and closes
    explicit fake_page_context(ecat::master& bus_master) : master_(bus_master) { }
    ecat::master& master() override { return master_; }
    int selected_slave() const override { return selected; }
    polled_values& values() override { return polled; }
    card::card_counters& counters() override { return mailbox_counters; }
    void message_box(QWidget*, const QString& text, const QString& caption) override
    {
        messages << caption + ": " + text;
    }
    void post_to_gui(std::function<void()> work) override
    {
        QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(work), Qt::QueuedConnection);
    }

    std::vector<extra_serial_port> simulated_serial_ports() override { return serial_ports; }

    std::atomic<int> selected{0};
    polled_values polled;
    card::card_counters mailbox_counters;
    QStringList messages;
    std::vector<extra_serial_port> serial_ports;

private:
    ecat::master& master_;
};

} // namespace apptest
