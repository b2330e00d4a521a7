#pragma once
#include <deque>
#include <functional>

#include <QStringList>

#include "pages/CMyDlg.h"
#include "pages/page_worker.h"

class QCheckBox;
class QComboBox;
class QLayout;
class QLineEdit;
class QPlainTextEdit;
class QTimer;

// The CAN page of the KOVA-H (template 136): sets the card's bit rates, sends single or
// timed classic and FD frames, and logs what was sent and what the poll received.
// Every card transfer runs on the page's worker, one at a time and in order; a timed send
// that comes due while one runs is skipped and counted.
class CCanDlg : public CMyDlg {
    Q_OBJECT
public:
    CCanDlg(page_context& context, QWidget* parent);

    // The oldest lines go beyond this. Now and then a full log's document copies its whole
    // text on the GUI thread (about 55 ms of CPU at 100,000 lines, several times that in
    // time on a loaded machine); 20,000 lines keep that short and hold minutes of a busy bus.
    static constexpr int log_line_limit = 20'000;

    // Appends "[hh:mm:ss] text" to the log; lines are drawn in batches.
    void append_log(const QString& text);

private:
    enum timer_id { send_timer = 1 };
    // A card transfer run on the worker; it returns the lines for the log.
    using card_job = std::function<QStringList()>;

    QLayout* bit_rate_row();
    QLayout* frame_row();
    QLayout* data_row();
    QLayout* timed_send_row();
    QLayout* log_rows();

    void on_window_timer(int id) override;
    void set_bit_rates();
    // A frame as the controls describe it now; from the timer it is skipped while a transfer runs.
    void send_frame(bool timed);
    void timed_send_toggled(bool on);
    void clear_log();
    void flush_log();

    // Runs job after the ones already started or waiting.
    void queue_job(card_job job);
    bool start_job(card_job job);
    void job_finished(const QStringList& lines);

    QComboBox* bit_rate_ = nullptr;    // 1011
    QComboBox* fd_bit_rate_ = nullptr; // 1014
    QLineEdit* identifier_ = nullptr;  // 1033
    QComboBox* format_ = nullptr;      // 1012
    QComboBox* type_ = nullptr;        // 1013
    QLineEdit* data_ = nullptr;        // 1031
    QCheckBox* timed_send_ = nullptr;  // 1150
    QLineEdit* interval_ = nullptr;    // 1032
    QPlainTextEdit* log_ = nullptr;    // 1005
    QTimer* log_flush_ = nullptr;
    QStringList unflushed_;

    bool job_running_ = false;
    std::deque<card_job> waiting_jobs_;
    unsigned skipped_ticks_ = 0;
    // destroyed first: its running job ends while the page is whole
    page_worker worker_;
};
