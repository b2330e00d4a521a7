#pragma once
#include <cstdint>
#include <functional>

#include "card/transfer_result.h"
#include "pages/CMyDlg.h"
#include "pages/logic/modbus_list.h"
#include "pages/page_worker.h"

class QComboBox;
class QLabel;
class QLayout;
class QLineEdit;
class QPushButton;
class QTableWidget;
namespace ecat {
struct master;
}

// The Modbus page (template 132): sets up the card's Modbus channels, its Tx data and its
// timing, and shows the sixteen channels as the poll reads them. Every write runs on the
// page's worker (a card that does not answer holds each for seconds); the buttons wait
// meanwhile, and the outcome shows in the status line.
class CModbusDlg : public CMyDlg {
    Q_OBJECT
public:
    CModbusDlg(page_context& context, QWidget* parent);

    // Switches the selected card's serial port to Modbus mode on the worker;
    // when the USART page had it, the status line says whose words the data cells show.
    void take_card_port();

private:
    enum timer_id { refresh_timer = 10 };

    void page_shown() override;
    void on_window_timer(int id) override;

    QLayout* channel_controls();
    QLayout* timing_controls();
    void register_type_changed(int type);
    void refresh_list();
    void apply(const page_logic::cell_updates& cells);

    void configure_channel();
    void write_tx_data();
    void write_timing();
    void clear_timeouts();
    // The selected slave's position, or -1 after telling the operator that none is selected.
    int slave_for_operation();
    void notify(const QString& text);

    using card_job = std::function<card::transfer_result(ecat::master&, uint16_t position)>;
    // Runs job on the worker with the buttons disabled; done is the status on success,
    // failure_box the message shown when a transfer failed (none when empty).
    void run_job(int position, card_job job, const QString& done, const QString& failure_box);
    void job_finished(const card::transfer_result& result, const QString& done, const QString& failure_box);
    void set_buttons_enabled(bool enabled);

    QComboBox* slave_id_ = nullptr;      // 1011
    QComboBox* register_type_ = nullptr; // 1012
    QComboBox* bit_count_ = nullptr;     // 1013
    QComboBox* operation_ = nullptr;     // 1014
    QComboBox* channel_ = nullptr;       // 1015
    QLineEdit* address_ = nullptr;       // 1031
    QLineEdit* data_ = nullptr;          // 1032
    QLineEdit* interval_ = nullptr;      // 1033
    QLineEdit* timeout_ = nullptr;       // 1034
    QTableWidget* list_ = nullptr;       // 1002
    QPushButton* buttons_[4] = {};       // 1050, 1052, 1053, 1051
    QLabel* status_ = nullptr;
    int jobs_running_ = 0;
    int shown_register_type_ = 0;
    page_logic::modbus_rows current_{};
    page_logic::modbus_list shown_;
    // destroyed first: its running job ends while the page is whole
    page_worker worker_;
};
