#pragma once
#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "app/identity_read.h"
#include "card/card_counters.h"
#include "card/polled_values.h"
#include "app/worker_host.h"
#include "ecat/master.h"

namespace apptest {

// A main window without widgets: the selection and the tab are set by the test, and what
// the workers hand to the GUI is recorded as lines ("1101 ZEIO", "model 1", "message ...").
class test_host : public worker_host {
public:
    explicit test_host(ecat::master& bus_master) : master_(bus_master) { }
    ecat::master& master() override { return master_; }
    int selected_slave() const override { return selected; }
    int current_tab() const override { return tab; }
    polled_values& values() override { return polled; }
    card::card_counters& counters() override { return mailbox_counters; }
    identity_record& identity() override { return record; }
    // recorded under the window's control id of the field, 1101..1104 in field order
    void identity_text(identity_field field, const QString& text) override
    {
        add(std::to_string(1101 + int(field)) + " " + text.toStdString());
    }
    void card_model_recognised(int model) override { add("model " + std::to_string(model)); }
    void message(const QString& text) override { add("message " + text.toStdString()); }
    void usart_received(const std::vector<uint8_t>& bytes) override
    {
        add("usart " + std::string(bytes.begin(), bytes.end()));
    }
    void can_log(const QString& line) override { add("can " + line.toStdString()); }
    void usart_receive_failed(const QString& text) override { add("usart " + text.toStdString()); }

    std::vector<std::string> lines() const
    {
        std::lock_guard lock(mutex_);
        return lines_;
    }

    std::atomic<int> selected{0};
    std::atomic<int> tab{0};
    polled_values polled;
    card::card_counters mailbox_counters;
    identity_record record;

private:
    void add(std::string line)
    {
        std::lock_guard lock(mutex_);
        lines_.push_back(std::move(line));
    }
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;

private:
    ecat::master& master_;
};

} // namespace apptest
