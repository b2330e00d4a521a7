#pragma once
#include <array>
#include <memory>
#include <optional>

#include <QDialog>

#include "card/card_ops.h"
#include "pages/logic/ad_clock_settings.h"
#include "pages/page_worker.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class page_context;

// The AD clock dialog (template 135, modal): reads the card's AD converter clock, shows the
// converter clock and one channel's sample frequency, and writes a new clock followed by the
// apply command. Transfers run on a worker; 修改时钟 waits for a complete load.
class CADcfgclkDlg : public QDialog {
    Q_OBJECT
public:
    CADcfgclkDlg(page_context& context, QWidget* parent);
    // Closes at once: a transfer still under way ends on its worker after the dialog is gone.
    ~CADcfgclkDlg() override;

    // the object reads of the load, the AD clock fields in subindex order; none where one failed
    using loaded_values = card::ad_clock_fields;

private:
    QWidget* build_pll_group();
    void load();
    void show_loaded(const loaded_values& values);
    void on_source_selected(int item);
    void on_prescaler_selected(int item);
    void on_sampling_selected(int item);
    void on_compute();
    void on_write();
    void write_finished(bool ok);
    void read_pll_edits();
    void show_sample_frequency();
    void notify(const QString& text);

    page_context& context_;
    page_logic::ad_clock_settings settings_;
    std::optional<double> adclk_mhz_;

    QComboBox* source_ = nullptr;    // 1011
    QComboBox* prescaler_ = nullptr; // 1012
    QComboBox* sampling_ = nullptr;  // 1013
    QLabel* frequency_ = nullptr;    // 1101
    QLineEdit* pllm_ = nullptr;      // 1031
    QLineEdit* plln_ = nullptr;      // 1032
    QLineEdit* pllp_ = nullptr;      // 1033
    QLabel* adclk_ = nullptr;        // 1102
    QPushButton* write_ = nullptr;   // 1050

    // a job reaches the dialog only through a QPointer, and the master is the process's:
    // the worker may outlive the dialog
    std::shared_ptr<page_worker> worker_ = std::make_shared<page_worker>();
};
