#pragma once
#include <functional>
#include <vector>

#include "pages/CMyDlg.h"
#include "pages/logic/settings_display.h"
#include "pages/logic/settings_transfer.h"
#include "pages/page_worker.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QTableWidget;
namespace ecat {
struct master;
}

// The settings page (template 131): shows the card's AD and latch configuration, reads it
// from the card, imports and exports it as an ini file, writes it to the card's flash and
// restarts the card. The card transfers run on the page's worker with the buttons disabled;
// a failed transfer is reported with the object it failed on.
class CSetDlg : public CMyDlg {
    Q_OBJECT
public:
    CSetDlg(page_context& context, QWidget* parent);

    // The configuration the page shows (and would write to the card).
    const page_logic::settings_config& shown_configuration() const { return display_.shown(); }
    // Another card, or none: a configuration read from the last card gives way to the
    // start-up one, and the page says so; one imported from a file stays, as it belongs to
    // no card. A transfer with the last card still under way shows nothing when it ends.
    void forget_card() override;

private:
    // One transfer with the card at a ring position; it may fill config (the read does).
    using card_transfer = std::function<page_logic::transfer_failure(ecat::master& master, uint16_t position,
                                                                     page_logic::settings_config& config)>;
    using transfer_done =
        std::function<void(page_logic::transfer_failure failure, const page_logic::settings_config& config)>;

    QWidget* configuration_group();
    QWidget* comparator_controls(QWidget* parent);
    QWidget* latch_group();
    QWidget* action_row();

    void read_configuration();
    void import_configuration();
    void export_configuration();
    void save_to_flash();
    void restart_card();
    // Runs transfer on the worker with the buttons disabled; done runs on the GUI thread.
    void run_on_card(card_transfer transfer, transfer_done done);
    void set_buttons_enabled(bool enabled);
    void refresh();
    void notify(const QString& text);

    page_logic::settings_config current_;
    page_logic::settings_display display_;
    QTableWidget* modes_ = nullptr;   // 1002
    QTableWidget* latches_ = nullptr; // 1003
    QCheckBox* enable0_ = nullptr;    // 1151
    QCheckBox* invert0_ = nullptr;    // 1152
    QCheckBox* enable1_ = nullptr;    // 1153
    QCheckBox* invert1_ = nullptr;    // 1154
    QCheckBox* encoder_ = nullptr;    // 1155
    QPushButton* mode0_ = nullptr;    // 1056
    QPushButton* mode1_ = nullptr;    // 1057
    QLabel* status_ = nullptr;
    std::vector<QPushButton*> buttons_;
    int card_changes_ = 0;
    bool shown_from_card_ = false;
    bool transfer_running_ = false;
    // its destruction waits for a transfer in flight
    page_worker worker_;
};
