#pragma once
#include <cstdint>

#include "pages/CMyDlg.h"
#include "pages/logic/modbus_list.h"

class QComboBox;
class QLayout;
class QLineEdit;
class QTableWidget;

// The Modbus page (template 132): sets up the card's Modbus channels, its Tx data and its
// timing, and shows the sixteen channels as the poll reads them. Every write goes to the
// card from the GUI thread and blocks until it is carried out (at most six transfers).
class CModbusDlg : public CMyDlg {
    Q_OBJECT
public:
    CModbusDlg(page_context& context, QWidget* parent);

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
    int shown_register_type_ = 0;
    page_logic::modbus_rows current_{};
    page_logic::modbus_list shown_;
};
