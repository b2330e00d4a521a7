#pragma once
#include <array>
#include <atomic>
#include <deque>
#include <functional>
#include <mutex>

#include <QDialog>
#include <QStringList>

#include "app/CTQRThread.h"
#include "app/card_model.h"
#include "app/identity_read.h"
#include "app/worker_host.h"
#include "card/card_counters.h"
#include "card/polled_values.h"
#include "ecat/net_device.h"
#include "pages/page_context.h"

class CMyDlg;
class QComboBox;
class QLabel;
class QLineEdit;
class QTabBar;

// The one window of the tool: the device panel (adapter, slave search, identity of the
// selected card), the tab strip and the test pages of the recognised card model. It owns
// the master's lifetime, the three worker slots and the pages.
class CKestIO_TestDlg : public QDialog, public worker_host, public page_context {
    Q_OBJECT
public:
    // master: the program's, which the window starts and clears; preferred_adapter: the
    // adapter taken when no index is stored yet (e.g. the simulated bus).
    explicit CKestIO_TestDlg(ecat::master& master, const QString& preferred_adapter = {}, QWidget* parent = nullptr);
    // Stops the workers, clears the master and releases the adapters.
    ~CKestIO_TestDlg() override;

    ecat::master& master() override { return master_; }
    int selected_slave() const override { return selected_slave_; }
    int current_tab() const override { return current_tab_; }
    polled_values& values() override { return values_; }
    card::card_counters& counters() override { return counters_; }
    identity_record& identity() override { return identity_; }
    void identity_text(identity_field field, const QString& text) override;
    void card_model_recognised(int model) override;
    void message(const QString& text) override;
    void usart_received(const std::vector<uint8_t>& bytes) override;
    void can_log(const QString& line) override;
    void usart_receive_failed(const QString& text) override;
    void message_box(QWidget* owner, const QString& text, const QString& caption) override;
    void post_to_gui(std::function<void()> work) override;
    std::vector<extra_serial_port> simulated_serial_ports() override;

    // (Re)starts the master on adapter net_index with the response wait; the slave list is
    // emptied and the poll slots are stopped until the next search.
    void restart_master();
    // Shows the page set of a model (0..3) and switches poll_thread to its procedure.
    void select_card_model(int model);
    void add_page(CMyDlg* page, const QString& caption);
    // Places the pages of the tabs over the page area.
    void layout_pages();
    // Shows or hides 修改AD时钟 on the AD test page.
    void show_ad_clock_button(bool shown);

    int net_index() const { return net_index_; }
    int response_wait_ms() const { return response_wait_ms_; }
    CTQRThread::procedure_type poll_procedure() const { return poll_procedure_; }
    CMyDlg* page(page_kind kind) const { return pages_[size_t(kind)]; }
    CTQRThread& info_thread() { return info_thread_; }
    CTQRThread& poll_thread() { return poll_thread_; }
    CTQRThread& ain24_thread() { return ain24_thread_; }

protected:
    void timerEvent(QTimerEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build_controls();
    void create_pages();
    void add_page_set(const page_set& set);
    // Shows tab 0 in place of the page hidden.
    void show_first_page(CMyDlg* hidden);
    CMyDlg* page_of_tab(int tab) const;
    // Hides one page and shows another; focus that was in the hidden page moves to the
    // shown page's first control, not to the window's first.
    void switch_page(CMyDlg* hidden, CMyDlg* shown);
    // In the window log: the card, its model and the tab just shown.
    void log_shown_page(int tab) const;
    // The slave list is empty: the identity fields go back to their start texts, the
    // pages drop the last card's values, and the status line says so.
    void show_no_card();
    // The selection or the bus changed: no page goes on showing or driving the last card.
    void forget_card();
    void load_adapters(const QString& preferred_adapter);
    void on_select_adapter();
    void on_search();
    void on_slave_selected(int item);
    void on_tab_changed(int tab);
    void refresh_status();
    void stop_poll_slots();
    // Identity results reach the widgets in order, and never while a stop waits.
    void post_effect(std::function<void()> effect);
    // Runs the held effects soon, e.g. after a stop has ended.
    void schedule_effects();
    void run_effects();

    std::array<CMyDlg*, 8> pages_{};
    identity_record identity_;
    polled_values values_;
    card::card_counters counters_;
    std::atomic<int> selected_slave_{-1};
    int response_wait_ms_ = 10;
    int net_index_ = -1;
    QStringList adapter_names_;
    ecat::master& master_;
    CTQRThread::procedure_type poll_procedure_;
    CTQRThread info_thread_;
    CTQRThread poll_thread_;
    CTQRThread ain24_thread_;
    std::atomic<int> current_tab_{-1};
    int card_model_ = no_card_model; // whose page set the tabs show
    bool shown_scan_busy_ = false;
    bool shown_disconnected_ = false;
    QString logged_bus_; // the bus as the window log last reported it
    bool master_started_ = false;
    ecat::net_device descriptor_;

    std::mutex effects_lock_;
    std::deque<std::function<void()>> effects_;
    bool running_effects_ = false;
    bool closing_ = false;

    QLineEdit* adapter_name_ = nullptr;  // 1031
    QComboBox* slave_list_ = nullptr;    // 1012
    QLabel* hardware_version_ = nullptr; // 1101
    QLabel* software_version_ = nullptr; // 1102
    QLabel* date_ = nullptr;             // 1103
    QLabel* serial_number_ = nullptr;    // 1104
    QLabel* scanning_ = nullptr;         // 1105
    QLabel* disconnected_ = nullptr;     // 1106
    QLabel* no_slave_ = nullptr;         // until the next search finds a slave
    QTabBar* tab_ = nullptr;             // 1000
    QWidget* page_area_ = nullptr;
};
