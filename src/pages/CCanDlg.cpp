#include "pages/CCanDlg.h"

#include <chrono>

#include <QCheckBox>
#include <QDateTime>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTime>
#include <QTimer>
#include <QVBoxLayout>

#include "card/card_ops.h"
#include "pages/io_widgets.h"
#include "pages/logic/can_log_lines.h"
#include "ecat/master.h"
#include "pages/logic/can_send_plan.h"
#include "pages/logic/number_field.h"
#include "pages/page_context.h"

namespace {

// lines that arrive within this time are drawn together: one repaint, not one per line
constexpr int log_batch_ms = 100;

struct bit_rate {
    const char* caption;
    int bits_per_second;
};
constexpr bit_rate nominal_rates[] = {{"25K", 25000},   {"40K", 40000},   {"50K", 50000},   {"100K", 100000},
                                      {"125K", 125000}, {"250K", 250000}, {"500K", 500000}, {"1000K", 1000000}};
constexpr bit_rate fd_only_rates[] = {{"1500K", 1500000}, {"2000K", 2000000}};

QComboBox* make_list(QWidget* parent, int id, const QStringList& items)
{
    auto* list = new QComboBox(parent);
    list->setObjectName(QStringLiteral("id%1").arg(id));
    list->addItems(items);
    return list;
}

QComboBox* make_bit_rate_list(QWidget* parent, int id, bool fd)
{
    QComboBox* list = make_list(parent, id, {});
    for (const bit_rate& rate : nominal_rates)
        list->addItem(rate.caption, rate.bits_per_second);
    if (fd)
        for (const bit_rate& rate : fd_only_rates)
            list->addItem(rate.caption, rate.bits_per_second);
    list->setCurrentText(fd ? "1000K" : "500K");
    return list;
}

// As wide as the longest text the edit is meant to hold, in the page's font.
void fit_edit(QLineEdit* edit, const QString& longest)
{
    edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(longest) + 4 * edit->fontMetrics().averageCharWidth());
}

void add_labelled(QHBoxLayout* row, const QString& label, QWidget* control)
{
    row->addWidget(new QLabel(label));
    row->addWidget(control);
}

std::u16string_view text_of(const QString& text)
{
    return {reinterpret_cast<const char16_t*>(text.utf16()), size_t(text.size())};
}

} // namespace

CCanDlg::CCanDlg(page_context& context, QWidget* parent) : CMyDlg(context, parent)
{
    log_flush_ = new QTimer(this);
    log_flush_->setSingleShot(true);
    log_flush_->setInterval(log_batch_ms);
    connect(log_flush_, &QTimer::timeout, this, &CCanDlg::flush_log);

    auto* page = new QVBoxLayout(this);
    page->addLayout(bit_rate_row());
    page->addLayout(frame_row());
    page->addLayout(data_row());
    page->addLayout(timed_send_row());
    page->addLayout(log_rows(), 1);
}

QLayout* CCanDlg::bit_rate_row()
{
    bit_rate_ = make_bit_rate_list(this, 1011, false);
    fd_bit_rate_ = make_bit_rate_list(this, 1014, true);
    QPushButton* set = make_button(this, 1050, "设置");
    connect(set, &QPushButton::clicked, this, &CCanDlg::set_bit_rates);
    auto* row = new QHBoxLayout;
    add_labelled(row, "CAN比特率：", bit_rate_);
    add_labelled(row, "FDCAN比特率：", fd_bit_rate_);
    row->addWidget(set);
    row->addStretch();
    return row;
}

QLayout* CCanDlg::frame_row()
{
    identifier_ = make_edit(this, 1033, "1");
    fit_edit(identifier_, "536870911");
    format_ = make_list(this, 1012, {"经典", "FD"});
    type_ = make_list(this, 1013, {"数据帧", "远程帧"});
    auto* row = new QHBoxLayout;
    add_labelled(row, "id：", identifier_);
    add_labelled(row, "格式：", format_);
    add_labelled(row, "类型：", type_);
    row->addStretch();
    return row;
}

QLayout* CCanDlg::data_row()
{
    data_ = make_edit(this, 1031, "12 34 56 78 90 AB CD EF");
    QPushButton* send = make_button(this, 1051, "发送数据");
    connect(send, &QPushButton::clicked, this, [this] { send_frame(false); });
    auto* row = new QHBoxLayout;
    add_labelled(row, "发送数据：", data_);
    row->setStretchFactor(data_, 1);
    row->addWidget(send);
    return row;
}

QLayout* CCanDlg::timed_send_row()
{
    timed_send_ = new QCheckBox("定时发送，时间：", this);
    timed_send_->setObjectName("id1150");
    connect(timed_send_, &QCheckBox::toggled, this, &CCanDlg::timed_send_toggled);
    interval_ = make_edit(this, 1032, "500");
    fit_edit(interval_, "100000");
    rate_ = new QLabel(this);
    rate_->setObjectName("rate");
    auto* row = new QHBoxLayout;
    row->addWidget(timed_send_);
    row->addWidget(interval_);
    row->addWidget(new QLabel("ms", this));
    row->addWidget(rate_);
    row->addStretch();
    return row;
}

QLayout* CCanDlg::log_rows()
{
    log_ = new QPlainTextEdit(this);
    log_->setObjectName("id1005");
    log_->setReadOnly(true);
    log_->setMaximumBlockCount(log_line_limit);
    QPushButton* clear = make_button(this, 1052, "清空");
    connect(clear, &QPushButton::clicked, this, &CCanDlg::clear_log);
    auto* rows = new QVBoxLayout;
    rows->addWidget(new QLabel("接收："));
    rows->addWidget(log_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(clear);
    rows->addLayout(buttons);
    return rows;
}

void CCanDlg::append_log(const QString& text)
{
    QTime now = QTime::currentTime();
    unflushed_ << QString::fromStdString(
        page_logic::can_log_line(now.hour(), now.minute(), now.second(), text.toStdString()));
    // lines the log would drop at once need not wait for drawing
    if (unflushed_.size() > log_line_limit)
        unflushed_.removeFirst();
    if (!log_flush_->isActive())
        log_flush_->start();
}

void CCanDlg::flush_log()
{
    if (unflushed_.isEmpty())
        return;
    log_->appendPlainText(unflushed_.join('\n'));
    unflushed_.clear();
    QScrollBar* bar = log_->verticalScrollBar();
    bar->setValue(bar->maximum());
}

void CCanDlg::clear_log()
{
    unflushed_.clear();
    log_flush_->stop();
    log_->clear();
}

void CCanDlg::set_bit_rates()
{
    ecat::master* master = &context.master();
    auto position = uint16_t(context.selected_slave());
    uint32_t nominal = bit_rate_->currentData().toUInt();
    uint32_t data = fd_bit_rate_->currentData().toUInt();
    QString rates = bit_rate_->currentText() + " / " + fd_bit_rate_->currentText();
    queue_job([master, position, nominal, data, rates]() -> job_outcome {
        card::transfer_result result = card::write_can_bit_rates(*master, position, nominal, data);
        if (!result.ok())
            return {{QString::fromStdString("设置失败：" + card::failure_text(result))}};
        return {{"比特率已设置：" + rates}};
    });
}

void CCanDlg::send_frame(bool timed)
{
    page_logic::can_send_plan plan = page_logic::plan_can_send(text_of(identifier_->text()), format_->currentIndex(),
                                                               type_->currentIndex(), text_of(data_->text()));
    if (!plan.sends()) {
        append_log(QString::fromStdString(plan.refusal));
        if (timed)
            stop_timed_send({});
        return;
    }
    ecat::master* master = &context.master();
    card::card_counters* counters = &context.counters();
    // no selection is a position the master refuses, so the send fails like a lost card;
    // a timed send goes only to the card it was started on
    auto position = uint16_t(timed ? timed_position_ : context.selected_slave());
    card_job job = [master, counters, position, plan, timed]() -> job_outcome {
        auto start = std::chrono::steady_clock::now();
        const card::can_frame& frame = plan.frame;
        card::transfer_result result = card::can_send(*master, position, *counters, frame.type, frame.identifier,
                                                      frame.length, frame.data, frame.format);
        auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
        std::string line = result.ok() ? page_logic::can_tx_line(plan) : "发送失败：" + card::failure_text(result);
        return {{QString::fromStdString(line)}, timed && result.ok(), int(elapsed.count())};
    };
    if (!timed)
        queue_job(std::move(job));
    else if (job_running_ || !start_job(std::move(job)))
        ++skipped_ticks_;
}

void CCanDlg::timed_send_toggled(bool on)
{
    if (on) {
        page_logic::field_reading interval =
            page_logic::read_number_field(text_of(interval_->text()), {"定时发送时间", 0, 100000, "ms", true});
        if (!interval.value) {
            append_log(QString::fromStdString(interval.refusal));
            QSignalBlocker quiet(timed_send_);
            timed_send_->setChecked(false);
            return;
        }
        skipped_ticks_ = 0;
        timed_frames_ = 0;
        first_timed_frame_ = true;
        timed_position_ = context.selected_slave();
        timed_scans_ = context.master().scans_started();
        timed_interval_ms_ = std::max(1, int(*interval.value));
        rate_since_ms_ = QDateTime::currentMSecsSinceEpoch();
        rate_->setText("实际：— 帧/秒");
        start_window_timer(send_timer, timed_interval_ms_);
        start_window_timer(rate_timer, 1000);
        return;
    }
    kill_window_timer(send_timer);
    kill_window_timer(rate_timer);
    show_rate();
    append_log(QString::fromStdString(page_logic::can_timed_send_stopped(skipped_ticks_)));
}

void CCanDlg::stop_timed_send(const QString& reason)
{
    if (!window_timer_active(send_timer))
        return;
    if (!reason.isEmpty())
        append_log(reason);
    timed_send_->setChecked(false);
}

QString CCanDlg::timed_send_lost_card() const
{
    if (context.selected_slave() != timed_position_)
        return "定时发送已停止：所选从站已改变";
    const ecat::master& m = context.master();
    if (m.scans_started() != timed_scans_ || unsigned(timed_position_) >= m.slave_count())
        return "定时发送已停止：总线已改变";
    return {};
}

void CCanDlg::forget_card()
{
    stop_timed_send("定时发送已停止：没有选择从站");
}

void CCanDlg::show_rate()
{
    qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (now > rate_since_ms_)
        rate_->setText(
            QStringLiteral("实际：%1 帧/秒").arg(1000.0 * timed_frames_ / double(now - rate_since_ms_), 0, 'f', 1));
    timed_frames_ = 0;
    rate_since_ms_ = now;
}

void CCanDlg::on_window_timer(int id)
{
    if (id == rate_timer) {
        show_rate();
        return;
    }
    if (id != send_timer)
        return;
    if (QString lost = timed_send_lost_card(); !lost.isEmpty()) {
        stop_timed_send(lost);
        return;
    }
    send_frame(true);
}

void CCanDlg::queue_job(card_job job)
{
    if (job_running_ || !waiting_jobs_.empty()) {
        waiting_jobs_.push_back(std::move(job));
        return;
    }
    // the last job may still be returning after it posted its lines
    worker_.wait_idle();
    start_job(std::move(job));
}

bool CCanDlg::start_job(card_job job)
{
    QPointer<CCanDlg> self(this);
    page_context* gui = &context;
    bool started = worker_.start([job = std::move(job), self, gui] {
        job_outcome outcome = job();
        gui->post_to_gui([self, outcome] {
            if (self)
                self->job_finished(outcome);
        });
    });
    job_running_ = started;
    return started;
}

void CCanDlg::job_finished(const job_outcome& outcome)
{
    for (const QString& line : outcome.lines)
        append_log(line);
    if (outcome.timed_frame_sent) {
        ++timed_frames_;
        if (first_timed_frame_ && outcome.elapsed_ms > timed_interval_ms_)
            append_log(QStringLiteral("定时发送间隔 %1 ms 短于一帧所需的约 %2 ms：每秒最多约 %3 帧")
                           .arg(timed_interval_ms_)
                           .arg(outcome.elapsed_ms)
                           .arg(1000 / std::max(1, outcome.elapsed_ms)));
        first_timed_frame_ = false;
    }
    job_running_ = false;
    if (waiting_jobs_.empty())
        return;
    card_job next = std::move(waiting_jobs_.front());
    waiting_jobs_.pop_front();
    worker_.wait_idle();
    start_job(std::move(next));
}
