#pragma once
#include <atomic>
#include <string>
#include <vector>

#include "pages/CMyDlg.h"
#include "pages/logic/ad_sample_format.h"
#include "pages/logic/ad_statistics.h"
#include "pages/page_worker.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPoint;
class QPushButton;
class QTableWidget;

// The AD stability test page (template 133): each run reads one channel a set number of
// times on a worker of its own and adds a column of samples and their statistics. The page
// keeps every run's samples: a smaller read count only hides the rows beyond it.
class CADtest : public CMyDlg {
    Q_OBJECT
public:
    CADtest(page_context& context, QWidget* parent);
    // Stops a run under way and waits for it.
    ~CADtest() override;

    // Offers the channels AD0 .. AD(count-1), the first selected.
    void set_channel_count(int count);
    int channel_count() const;
    // 修改AD时钟 is hidden unless the operator asks for it.
    void set_clock_button_shown(bool shown);
    bool running() const { return running_; }
    // Another card, or none: the results belong to the last one and are cleared; a run
    // under way stops and its column is dropped.
    void forget_card() override;

    static constexpr int max_read_count = 10000;

private:
    QWidget* build_controls();
    void build_list();
    void on_read();
    void start_run();
    void show_progress(int taken);
    void finish_run(const std::vector<page_logic::ad_sample>& samples);
    void set_running(bool running);
    void clear_records();
    void apply_read_count();
    void show_sample_rows(int count);
    void show_result_cell(int row, size_t result);
    void copy_cell(const QPoint& position);
    void open_clock_dialog();
    void export_csv();
    std::vector<std::vector<std::string>> table_rows() const;

    QComboBox* precision_ = nullptr;     // 1013
    QComboBox* channel_ = nullptr;       // 1011
    QLineEdit* range_ = nullptr;         // 1033
    QLineEdit* read_count_ = nullptr;    // 1031
    QLineEdit* input_voltage_ = nullptr; // 1032
    QPushButton* read_ = nullptr;        // 1050
    QPushButton* clear_ = nullptr;       // 1051
    QPushButton* clock_ = nullptr;       // 1052
    QPushButton* export_ = nullptr;
    QLabel* status_ = nullptr;
    QTableWidget* list_ = nullptr; // 1002

    // one run's cells: its samples, then the six summary cells
    struct result {
        std::vector<std::string> samples;
        std::vector<std::string> summary;
    };
    std::vector<result> results_; // column k + 1 shows results_[k]
    int sample_count_ = 0;        // sample rows shown
    int result_column_width_ = 150;
    int card_changes_ = 0; // a run started before the last card change is dropped
    int run_card_changes_ = 0;
    bool running_ = false;
    int run_samples_ = 0;
    page_logic::ad_precision run_precision_ = page_logic::ad_precision::bits12;
    std::atomic<bool> stop_{false};
    // last: destroyed first, so a run still under way ends before the members it uses
    page_worker worker_;
};
