#pragma once
#include <deque>
#include <functional>

#include <QStringList>

#include "pages/CMyDlg.h"
#include "pages/page_worker.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLayout;
class QLineEdit;
class QPlainTextEdit;
class QTimer;

// The CAN page of the KOVA-H (template 136): sets the card's bit rates, sends single or
// timed classic and FD frames, and logs what was sent and what the poll received.
// Every card transfer runs on the page's worker, one at a time and in order; a timed send
// that comes due while one runs is skipped and counted. A timed send belongs to the card it
// was started on and stops when the selection or the bus changes; its achieved rate shows
// beside the interval.
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
    // No card is selected any more: a timed send stops.
    void forget_card() override;

private:
    enum timer_id { send_timer = 1, rate_timer = 2 };
    struct job_outcome {
        QStringList lines;
        bool timed_frame_sent = false;
        int elapsed_ms = 0;
    };
    // A card transfer run on the worker; it returns the lines for the log.
    using card_job = std::function<job_outcome()>;

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
    // Ends a timed send with the reason in the log.
    void stop_timed_send(const QString& reason);
    // Why the timed send may not go on (the card it was started on is no longer the one
    // selected, or the bus was scanned again); empty while it may.
    QString timed_send_lost_card() const;
    void show_rate();
    void clear_log();
    void flush_log();

    // Runs job after the ones already started or waiting.
    void queue_job(card_job job);
    bool start_job(card_job job);
    void job_finished(const job_outcome& outcome);

    QComboBox* bit_rate_ = nullptr;    // 1011
    QComboBox* fd_bit_rate_ = nullptr; // 1014
    QLineEdit* identifier_ = nullptr;  // 1033
    QComboBox* format_ = nullptr;      // 1012
    QComboBox* type_ = nullptr;        // 1013
    QLineEdit* data_ = nullptr;        // 1031
    QCheckBox* timed_send_ = nullptr;  // 1150
    QLineEdit* interval_ = nullptr;    // 1032
    QLabel* rate_ = nullptr;
    QPlainTextEdit* log_ = nullptr; // 1005
    QTimer* log_flush_ = nullptr;
    QStringList unflushed_;

    bool job_running_ = false;
    std::deque<card_job> waiting_jobs_;
    unsigned skipped_ticks_ = 0;
    // the card and the bus scan a timed send was started on
    int timed_position_ = -1;
    unsigned timed_scans_ = 0;
    int timed_interval_ms_ = 0;
    unsigned timed_frames_ = 0;      // sent since the last rate shown
    bool first_timed_frame_ = false; // its time is compared with the interval
    qint64 rate_since_ms_ = 0;
    // destroyed first: its running job ends while the page is whole
    page_worker worker_;
};
