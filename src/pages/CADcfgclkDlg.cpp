#include "pages/CADcfgclkDlg.h"

#include <algorithm>
#include <climits>
#include <thread>

#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include "card/card_ops.h"
#include "pages/io_widgets.h"
#include "pages/logic/edit_number.h"
#include "pages/logic/number_field.h"
#include "pages/page_context.h"

namespace {

constexpr int pll_source = 1;

QComboBox* make_combo(QWidget* parent, int id, const QStringList& items)
{
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QStringLiteral("id%1").arg(id));
    combo->addItems(items);
    combo->setCurrentIndex(-1);
    return combo;
}

QLabel* make_value(QWidget* parent, int id)
{
    auto* value = new QLabel("—", parent);
    value->setObjectName(QStringLiteral("id%1").arg(id));
    return value;
}

int32_t integer_of(const QLineEdit* edit)
{
    QString text = edit->text();
    return page_logic::integer_from_edit(
        std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()), size_t(text.size())));
}

QString number_text(std::optional<int32_t> value)
{
    return value ? QString::number(*value) : QString();
}

} // namespace

CADcfgclkDlg::CADcfgclkDlg(page_context& context, QWidget* parent) : QDialog(parent), context_(context)
{
    setWindowTitle("AD时钟修改");
    source_ = make_combo(this, 1011, {"CKPER=25M", "PLL2"});
    QStringList prescalers;
    for (int32_t value : page_logic::ad_prescalers)
        prescalers << QString::number(value);
    prescaler_ = make_combo(this, 1012, prescalers);
    sampling_ = make_combo(this, 1013, {"1.5", "2.5", "8.5", "16.5", "32.5", "64.5", "387.5", "810.5"});
    frequency_ = make_value(this, 1101);
    write_ = make_button(this, 1050, "修改时钟");
    write_->setEnabled(false);
    QPushButton* close = make_button(this, 2, "关闭");

    auto* top = new QGridLayout;
    top->addWidget(new QLabel("时钟源："), 0, 0);
    top->addWidget(source_, 0, 1);
    top->setColumnStretch(2, 1);
    auto* bottom = new QGridLayout;
    bottom->addWidget(new QLabel("分频系数："), 0, 0);
    bottom->addWidget(prescaler_, 0, 1);
    bottom->addWidget(new QLabel("采样周期："), 1, 0);
    bottom->addWidget(sampling_, 1, 1);
    bottom->addWidget(new QLabel("ADC一个通道的采样频率："), 2, 0);
    bottom->addWidget(frequency_, 2, 1);
    bottom->setColumnStretch(2, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(write_);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(build_pll_group());
    layout->addLayout(bottom);
    layout->addLayout(buttons);

    connect(source_, &QComboBox::activated, this, &CADcfgclkDlg::on_source_selected);
    connect(prescaler_, &QComboBox::activated, this, &CADcfgclkDlg::on_prescaler_selected);
    connect(sampling_, &QComboBox::activated, this, &CADcfgclkDlg::on_sampling_selected);
    connect(write_, &QPushButton::clicked, this, &CADcfgclkDlg::on_write);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    load();
}

QWidget* CADcfgclkDlg::build_pll_group()
{
    auto* group = new QGroupBox("PLL2时钟配置（ADCLK <= 80M）", this);
    pllm_ = make_edit(group, 1031, "");
    plln_ = make_edit(group, 1032, "");
    pllp_ = make_edit(group, 1033, "");
    auto* grid = new QGridLayout(group);
    add_edit_row(grid, 0, "PLLM：", pllm_, "(1 ~ 63)");
    add_edit_row(grid, 1, "PLLN：", plln_, "(4 ~ 512)");
    add_edit_row(grid, 2, "PLLP：", pllp_, "(1 ~ 128)");
    adclk_ = make_value(group, 1102);
    grid->addWidget(new QLabel("ADCLK ="), 3, 0);
    grid->addWidget(adclk_, 3, 1);
    QPushButton* compute = make_button(group, 1051, "计算ADCLK");
    grid->addWidget(compute, 3, 2, 1, 2);
    connect(compute, &QPushButton::clicked, this, &CADcfgclkDlg::on_compute);
    return group;
}

CADcfgclkDlg::~CADcfgclkDlg()
{
    // the last owner joins the worker thread, after its job has ended
    if (worker_->busy())
        std::thread([worker = std::move(worker_)] { static_cast<void>(worker); }).detach();
}

void CADcfgclkDlg::load()
{
    QPointer<CADcfgclkDlg> dialog(this);
    ecat::master* master = &context_.master();
    uint16_t position = uint16_t(context_.selected_slave());
    worker_->start([dialog, master, position] {
        loaded_values values = card::read_ad_clock(*master, position);
        // through the application: the window behind the context may be gone by now
        QMetaObject::invokeMethod(
            qApp,
            [dialog, values] {
                if (dialog)
                    dialog->show_loaded(values);
            },
            Qt::QueuedConnection);
    });
}

void CADcfgclkDlg::show_loaded(const loaded_values& values)
{
    const auto& [source, pllm, plln, pllp, sampling, prescaler] = values;
    pllm_->setText(number_text(pllm));
    plln_->setText(number_text(plln));
    pllp_->setText(number_text(pllp));
    settings_.pllm = pllm.value_or(0);
    settings_.plln = plln.value_or(0);
    settings_.pllp = pllp.value_or(0);
    // a value without an item is shown, and so written, as the item it falls back to
    if (sampling) {
        sampling_->setCurrentIndex(page_logic::item_of_sampling(*sampling));
        settings_.sampling = page_logic::sampling_of_item(sampling_->currentIndex());
    }
    if (prescaler) {
        prescaler_->setCurrentIndex(page_logic::item_of_prescaler(*prescaler));
        settings_.prescaler = page_logic::prescaler_of_item(prescaler_->currentIndex());
    }
    std::optional<double> pll = page_logic::pll_clock_mhz(settings_.pllm, settings_.plln, settings_.pllp);
    if (source) {
        settings_.source = *source != 0 ? pll_source : 0;
        source_->setCurrentIndex(settings_.source);
        adclk_mhz_ = settings_.source == pll_source ? pll : page_logic::ad_clock_reference_mhz;
    }
    adclk_->setText(QString::fromStdString(page_logic::mhz_text(pll)));
    show_sample_frequency();
    // writing back a field that was never read would send the card whatever the form holds
    write_->setEnabled(std::all_of(values.begin(), values.end(), [](const auto& value) { return value.has_value(); }));
}

void CADcfgclkDlg::on_source_selected(int item)
{
    settings_.source = item;
    if (item == pll_source) {
        read_pll_edits();
        adclk_mhz_ = page_logic::pll_clock_mhz(settings_.pllm, settings_.plln, settings_.pllp);
    } else {
        adclk_mhz_ = page_logic::ad_clock_reference_mhz;
    }
    show_sample_frequency();
}

void CADcfgclkDlg::on_prescaler_selected(int item)
{
    settings_.prescaler = page_logic::prescaler_of_item(item);
    show_sample_frequency();
}

void CADcfgclkDlg::on_sampling_selected(int item)
{
    settings_.sampling = page_logic::sampling_of_item(item);
    show_sample_frequency();
}

void CADcfgclkDlg::on_compute()
{
    read_pll_edits();
    std::optional<double> pll = page_logic::pll_clock_mhz(settings_.pllm, settings_.plln, settings_.pllp);
    adclk_->setText(QString::fromStdString(page_logic::mhz_text(pll)));
    if (settings_.source == pll_source)
        adclk_mhz_ = pll;
    show_sample_frequency();
}

void CADcfgclkDlg::on_write()
{
    if (settings_.source == pll_source) {
        const std::pair<QLineEdit*, page_logic::number_field> fields[] = {{pllm_, {"PLLM", 1, 63, "", true}},
                                                                          {plln_, {"PLLN", 4, 512, "", true}},
                                                                          {pllp_, {"PLLP", 1, 128, "", true}}};
        // a number out of range gets the card's own range text below; text that is no
        // number is not read as 0
        for (const auto& [edit, field] : fields) {
            QString text = edit->text();
            std::u16string_view typed(reinterpret_cast<const char16_t*>(text.utf16()), size_t(text.size()));
            page_logic::field_reading reading = page_logic::read_number_field(typed, field);
            if (!reading.value && !page_logic::integer_in_range(typed, INT32_MIN, INT32_MAX)) {
                notify(QString::fromStdString(reading.refusal));
                return;
            }
        }
        read_pll_edits();
        std::string refusal = page_logic::pll_refusal(settings_.pllm, settings_.plln, settings_.pllp);
        if (!refusal.empty()) {
            notify(QString::fromStdString(refusal));
            return;
        }
    }
    QPointer<CADcfgclkDlg> dialog(this);
    ecat::master* master = &context_.master();
    uint16_t position = uint16_t(context_.selected_slave());
    std::vector<card::object_write> writes = page_logic::ad_clock_writes(settings_);
    if (!worker_->start([dialog, master, position, writes] {
            // a refused field must not be applied: the writes stop there
            bool ok = card::write_in_order(*master, position, writes).ok();
            QMetaObject::invokeMethod(
                qApp,
                [dialog, ok] {
                    if (dialog)
                        dialog->write_finished(ok);
                },
                Qt::QueuedConnection);
        }))
        return;
    write_->setEnabled(false);
}

void CADcfgclkDlg::write_finished(bool ok)
{
    write_->setEnabled(true);
    if (!ok)
        notify("设置失败！");
}

void CADcfgclkDlg::read_pll_edits()
{
    settings_.pllm = integer_of(pllm_);
    settings_.plln = integer_of(plln_);
    settings_.pllp = integer_of(pllp_);
}

void CADcfgclkDlg::show_sample_frequency()
{
    frequency_->setText(QString::fromStdString(
        page_logic::mhz_text(page_logic::sample_frequency_mhz(adclk_mhz_, settings_.prescaler, settings_.sampling))));
}

void CADcfgclkDlg::notify(const QString& text)
{
    context_.message_box(this, text, "提示");
}
