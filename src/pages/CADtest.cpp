#include "pages/CADtest.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <thread>

#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "card/sdo_numbers.h"
#include "pages/CADcfgclkDlg.h"
#include "pages/file_dialog.h"
#include "pages/io_widgets.h"
#include "pages/logic/ad_column.h"
#include "pages/logic/ad_sampler.h"
#include "pages/logic/csv_text.h"
#include "pages/logic/edit_number.h"
#include "pages/page_context.h"

namespace {

constexpr int default_channels = 16;
constexpr int label_column_width = 100;
constexpr int result_column_width = 150;
constexpr int cell_padding = 16;
constexpr int edge_gap = 15;
constexpr uint64_t progress_period_ms = 100;

QTableWidgetItem* cell_item(const QString& text)
{
    auto* item = new QTableWidgetItem(text);
    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return item;
}

QLabel* label(const char* text)
{
    return new QLabel(QString::fromUtf8(text));
}

uint64_t steady_ms()
{
    using namespace std::chrono;
    return uint64_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

std::optional<long long> read_count_in(const QLineEdit* edit)
{
    QString text = edit->text();
    return page_logic::integer_in_range(
        std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()), size_t(text.size())), 1,
        CADtest::max_read_count);
}

// as a right click copies a cell
std::string without_spaces(std::string cell)
{
    std::erase(cell, ' ');
    return cell;
}

} // namespace

CADtest::CADtest(page_context& context, QWidget* parent) : CMyDlg(context, parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(layout->contentsMargins().left(), layout->contentsMargins().top(), edge_gap, edge_gap);
    layout->addWidget(build_controls());
    build_list();
    layout->addWidget(list_, 1);
    // the count rule inserts the sample rows ahead of the summary rows
    read_count_->setText("10");
    apply_read_count();
}

CADtest::~CADtest()
{
    stop_ = true;
}

QWidget* CADtest::build_controls()
{
    auto* box = new QWidget(this);
    precision_ = new QComboBox(box);
    precision_->setObjectName("id1013");
    precision_->addItems({"12位", "16位", "24位"});
    channel_ = new QComboBox(box);
    channel_->setObjectName("id1011");
    set_channel_count(default_channels);
    range_ = make_edit(box, 1033, "10.0");
    read_count_ = make_edit(box, 1031, "");
    input_voltage_ = make_edit(box, 1032, "1.0");
    read_ = make_button(box, 1050, "读取");
    clear_ = make_button(box, 1051, "清除记录");
    clock_ = make_button(box, 1052, "修改AD时钟");
    clock_->hide();
    export_ = make_button(box, 0, "导出CSV");
    export_->setObjectName("export_csv");
    status_ = new QLabel(box);
    status_->setObjectName("status");

    auto* first = new QHBoxLayout;
    first->addWidget(label("AD精度："));
    first->addWidget(precision_);
    first->addWidget(label("通道："));
    first->addWidget(channel_);
    first->addWidget(label("量程："));
    first->addWidget(range_);
    first->addWidget(label("V  读取个数："));
    first->addWidget(read_count_);
    first->addStretch(1);
    auto* second = new QHBoxLayout;
    second->addWidget(label("当前输入电压："));
    second->addWidget(input_voltage_);
    second->addWidget(label("V"));
    second->addWidget(read_);
    second->addWidget(clear_);
    second->addWidget(clock_);
    second->addWidget(export_);
    second->addStretch(1);
    auto* rows = new QVBoxLayout(box);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->addLayout(first);
    rows->addLayout(second);
    rows->addWidget(status_);

    connect(read_, &QPushButton::clicked, this, &CADtest::on_read);
    connect(clear_, &QPushButton::clicked, this, &CADtest::clear_records);
    // a count typed digit by digit passes through smaller ones: it applies when finished
    connect(read_count_, &QLineEdit::editingFinished, this, &CADtest::apply_read_count);
    connect(clock_, &QPushButton::clicked, this, &CADtest::open_clock_dialog);
    connect(export_, &QPushButton::clicked, this, &CADtest::export_csv);
    return box;
}

void CADtest::build_list()
{
    list_ = new QTableWidget(0, 1, this);
    list_->setObjectName("id1002");
    list_->setShowGrid(true);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->verticalHeader()->hide();
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    list_->setHorizontalHeaderItem(0, cell_item("序号"));

    // the CJK labels and the widest cells must not clip
    QFontMetrics metrics = list_->fontMetrics();
    int label_width = label_column_width;
    for (const std::string& text : page_logic::ad_summary_labels)
        label_width = std::max(label_width, metrics.horizontalAdvance(QString::fromStdString(text)) + cell_padding);
    list_->setColumnWidth(0, label_width);
    result_column_width_ = std::max(
        result_column_width, metrics.horizontalAdvance(QStringLiteral("-16777215.00(-24.99999702V)")) + cell_padding);

    for (int row = 0; row < int(page_logic::ad_summary_labels.size()); ++row) {
        list_->insertRow(row);
        list_->setItem(row, 0, cell_item(QString::fromStdString(page_logic::ad_summary_labels[size_t(row)])));
    }
    connect(list_, &QTableWidget::customContextMenuRequested, this, &CADtest::copy_cell);
}

void CADtest::set_channel_count(int count)
{
    channel_->clear();
    for (int channel = 0; channel < count; ++channel)
        channel_->addItem(QStringLiteral("AD%1").arg(channel));
    channel_->setCurrentIndex(0);
}

int CADtest::channel_count() const
{
    return channel_->count();
}

void CADtest::set_clock_button_shown(bool shown)
{
    clock_->setVisible(shown);
}

void CADtest::on_read()
{
    if (running_) {
        // the run ends after the sample under way and keeps what it read
        stop_ = true;
        return;
    }
    start_run();
}

void CADtest::start_run()
{
    // the last run has delivered its column; its job is only returning
    worker_.wait_idle();
    page_logic::ad_run_request request;
    request.precision = page_logic::ad_precision(precision_->currentIndex());
    request.channel = std::max(0, channel_->currentIndex());
    request.count = sample_count_;
    run_precision_ = request.precision;
    run_samples_ = sample_count_;
    run_card_changes_ = card_changes_;
    stop_ = false;
    set_running(true);

    QPointer<CADtest> page(this);
    page_context& ctx = context;
    std::atomic<bool>& stop = stop_;
    uint16_t position = uint16_t(context.selected_slave());
    worker_.start([page, &ctx, &stop, request, position] {
        page_logic::ad_sampler sampler(
            [&ctx, position](uint16_t index, uint8_t subindex, uint8_t* target, size_t size) {
                size_t got = 0;
                const protocol::object sample{index, subindex, uint8_t(size), "AD sample"};
                return card::read_object_bytes(ctx.master(), position, sample, target, got).ok();
            },
            steady_ms, [](uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); });
        uint64_t shown_at = 0;
        std::vector<page_logic::ad_sample> samples = sampler.run(request, stop, [page, &ctx, &shown_at](int taken) {
            // a redraw per 4 ms sample would slow the run down
            uint64_t now = steady_ms();
            if (taken > 1 && now - shown_at < progress_period_ms)
                return;
            shown_at = now;
            ctx.post_to_gui([page, taken] {
                if (page)
                    page->show_progress(taken);
            });
        });
        ctx.post_to_gui([page, samples = std::move(samples)] {
            if (page)
                page->finish_run(samples);
        });
    });
}

void CADtest::show_progress(int taken)
{
    if (running_)
        read_->setText(QStringLiteral("停止 (%1/%2)").arg(taken).arg(run_samples_));
}

void CADtest::finish_run(const std::vector<page_logic::ad_sample>& samples)
{
    set_running(false);
    if (run_card_changes_ != card_changes_)
        return;
    page_logic::ad_column_input input;
    input.precision = run_precision_;
    input.samples = samples;
    input.rows = run_samples_;
    input.range_volts = edit_number(range_);
    input.input_volts = edit_number(input_voltage_);
    std::vector<std::string> cells = page_logic::ad_column_cells(input);
    auto summary = cells.end() - std::ptrdiff_t(page_logic::ad_summary_labels.size());
    results_.push_back({{cells.begin(), summary}, {summary, cells.end()}});

    list_->setUpdatesEnabled(false);
    int column = int(results_.size());
    list_->insertColumn(column);
    list_->setHorizontalHeaderItem(column, cell_item(QString::fromStdString(page_logic::ad_column_header(column))));
    list_->setColumnWidth(column, result_column_width_);
    for (int row = 0; row < sample_count_ + int(page_logic::ad_summary_labels.size()); ++row)
        show_result_cell(row, results_.size() - 1);
    list_->setUpdatesEnabled(true);
}

// The cell of a result at a row of the list as it is now: a sample, nothing, or a summary.
void CADtest::show_result_cell(int row, size_t result)
{
    const auto& [samples, summary] = results_[result];
    const std::string* text = nullptr;
    if (row >= sample_count_)
        text = &summary[size_t(row - sample_count_)];
    else if (size_t(row) < samples.size() && !samples[size_t(row)].empty())
        text = &samples[size_t(row)];
    if (text)
        list_->setItem(row, int(result) + 1, cell_item(QString::fromStdString(*text)));
}

void CADtest::set_running(bool running)
{
    running_ = running;
    read_->setText(running ? QStringLiteral("停止 (0/%1)").arg(run_samples_) : QStringLiteral("获取"));
    // the rows belong to the run until its column is in
    read_count_->setEnabled(!running);
    clear_->setEnabled(!running);
}

void CADtest::clear_records()
{
    results_.clear();
    list_->setColumnCount(1);
}

void CADtest::forget_card()
{
    ++card_changes_;
    bool had_results = running_ || !results_.empty();
    stop_ = true;
    clear_records();
    status_->setText(had_results ? QStringLiteral("从站已改变：上一从站的读取已停止，记录已清除") : QString());
}

void CADtest::apply_read_count()
{
    std::optional<long long> count = read_count_in(read_count_);
    if (!count) {
        // put the count in force back before the box takes the focus
        read_count_->setText(QString::number(sample_count_));
        context.message_box(this, QStringLiteral("输入无效：读取个数 应为 1–%1").arg(max_read_count), "提示");
        return;
    }
    show_sample_rows(int(*count));
}

// The sample rows move in one step each way; the results keep their samples, and rows
// shown again show them again.
void CADtest::show_sample_rows(int count)
{
    int shown = sample_count_;
    if (count == shown)
        return;
    list_->setUpdatesEnabled(false);
    if (count < shown) {
        list_->model()->removeRows(count, shown - count);
        sample_count_ = count;
    } else {
        list_->model()->insertRows(shown, count - shown);
        sample_count_ = count;
        for (int row = shown; row < count; ++row) {
            list_->setItem(row, 0, cell_item(QString::fromStdString(page_logic::ad_sample_label(row))));
            for (size_t result = 0; result < results_.size(); ++result)
                if (size_t(row) < results_[result].samples.size())
                    show_result_cell(row, result);
        }
    }
    list_->setUpdatesEnabled(true);
}

void CADtest::copy_cell(const QPoint& position)
{
    QTableWidgetItem* item = list_->itemAt(position);
    if (!item)
        return;
    QString text = item->text().remove(QLatin1Char(' '));
    if (!text.isEmpty())
        QGuiApplication::clipboard()->setText(text);
}

void CADtest::open_clock_dialog()
{
    if (context.selected_slave() < 0) {
        context.message_box(this, "没有从站!", "提示");
        return;
    }
    CADcfgclkDlg dialog(context, this);
    dialog.exec();
}

void CADtest::export_csv()
{
    QString path = choose_file(this, file_dialog_kind::save, {QStringLiteral("CSV文件(*.csv)")}, QStringLiteral("csv"));
    if (path.isEmpty())
        return;
    QByteArray text = QByteArray::fromStdString(page_logic::csv_text(table_rows()));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text) != text.size() || !file.flush()) {
        context.message_box(this, QStringLiteral("导出失败，无法写入文件！"), "提示");
        return;
    }
    status_->setText(QStringLiteral("已导出：") + QFileInfo(path).fileName());
}

// Every result with all its samples, also those the read count hides, and its summary.
std::vector<std::vector<std::string>> CADtest::table_rows() const
{
    size_t sample_rows = size_t(sample_count_);
    for (const result& r : results_)
        sample_rows = std::max(sample_rows, r.samples.size());
    std::vector<std::vector<std::string>> rows;
    rows.push_back({"序号"});
    for (size_t column = 1; column <= results_.size(); ++column)
        rows.back().push_back(page_logic::ad_column_header(int(column)));
    for (size_t row = 0; row < sample_rows; ++row) {
        rows.push_back({page_logic::ad_sample_label(int(row))});
        for (const result& r : results_)
            rows.back().push_back(row < r.samples.size() ? without_spaces(r.samples[row]) : "");
    }
    for (size_t row = 0; row < page_logic::ad_summary_labels.size(); ++row) {
        rows.push_back({page_logic::ad_summary_labels[row]});
        for (const result& r : results_)
            rows.back().push_back(without_spaces(r.summary[row]));
    }
    return rows;
}
